#include "nzcommon/imgprocess/Jbig85Encoder.h"

// The T.85 header has no C++ guard of its own.
extern "C" {
#include <jbig85.h>
}

namespace velmora::imgprocess {

namespace {

constexpr unsigned long kLinesPerStripe = 128;
constexpr int kMaxAtMove = 127;

void AppendOutput(unsigned char *start, size_t len, void *file) {
  auto *out = static_cast<std::vector<uint8_t> *>(file);
  out->insert(out->end(), start, start + len);
}

}  // namespace

std::vector<uint8_t> EncodeJbig85(const MonoBitmap &bitmap, int first_row, int row_count) {
  std::vector<uint8_t> out;
  out.reserve(64 + static_cast<size_t>(bitmap.stride) * row_count / 8);
  // Lines above the image count as white.
  std::vector<uint8_t> white(static_cast<size_t>(bitmap.stride), 0);

  jbg85_enc_state state;
  jbg85_enc_init(&state, static_cast<unsigned long>(bitmap.stride) * 8,
                 static_cast<unsigned long>(row_count), AppendOutput, &out);
  jbg85_enc_options(&state, JBG_TPBON, kLinesPerStripe, kMaxAtMove);
  // The encoder only reads the lines it is given.
  auto line = [&](int i) -> unsigned char * {
    if (i < 0) return white.data();
    return const_cast<unsigned char *>(bitmap.row(first_row + i));
  };
  for (int i = 0; i < row_count; ++i) jbg85_enc_lineout(&state, line(i), line(i - 1), line(i - 2));
  return out;
}

}  // namespace velmora::imgprocess
