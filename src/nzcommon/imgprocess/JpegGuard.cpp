#include "nzcommon/imgprocess/JpegGuard.h"

namespace velmora::imgprocess {

namespace {

constexpr int kMaxHuffmanCodes = 256;

// One DHT segment, read as the decoder reads it: tables of a class/id byte, 16 code counts and
// the code values, for as long as the segment length has bytes left; a table may run past the
// segment, and bytes past the data read as 0.
bool SegmentFits(const uint8_t *data, size_t size, size_t body, int64_t length) {
  size_t pos = body;
  while (length > 0) {
    int codes = 0;
    for (size_t i = pos + 1; i <= pos + 16; ++i) codes += i < size ? data[i] : 0;
    if (codes > kMaxHuffmanCodes) return false;
    pos += 17 + static_cast<size_t>(codes);
    length -= 17 + codes;
  }
  return true;
}

}  // namespace

bool JpegHuffmanTablesFit(const uint8_t *data, size_t size) {
  // A JPEG starts with FF D8; the decoder skips any number of fill bytes FF before the D8.
  size_t start = 0;
  while (start < size && data[start] == 0xFF) ++start;
  if (start == 0 || start == size || data[start] != 0xD8) return true;  // not a JPEG
  for (size_t i = start + 1; i + 4 <= size; ++i) {
    if (data[i] != 0xFF || data[i + 1] != 0xC4) continue;
    const int64_t length = (int64_t{data[i + 2]} << 8) | data[i + 3];
    if (!SegmentFits(data, size, i + 4, length - 2)) return false;
  }
  return true;
}

}  // namespace velmora::imgprocess
