#include "nzcommon/imgprocess/RasterFraming.h"

#include <algorithm>
#include <initializer_list>

#include "nzcommon/imgprocess/Jbig85Encoder.h"

namespace velmora::imgprocess {

namespace {

// Byte by byte: GCC's bounds checker misjudges vector::insert of a short initializer list.
void Put(Bytes &out, std::initializer_list<uint8_t> bytes) {
  for (uint8_t b : bytes) out.push_back(b);
}

void Put16(Bytes &out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void Put32(Bytes &out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void AppendRows(Bytes &out, const MonoBitmap &bitmap, int first_row, int row_count) {
  const uint8_t *begin = bitmap.row(first_row);
  out.insert(out.end(), begin, begin + static_cast<size_t>(bitmap.stride) * row_count);
}

constexpr int kMaxPackBitsLiteral = 128;
constexpr int kMaxPackBitsRun = 128;

}  // namespace

void AppendPackBits(Bytes &out, const uint8_t *data, int count) {
  int i = 0;
  while (i < count) {
    int run = 1;
    while (i + run < count && run < kMaxPackBitsRun && data[i + run] == data[i]) ++run;
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(257 - run));
      out.push_back(data[i]);
      i += run;
      continue;
    }
    // Literal bytes until a run of three starts (a run of two costs as much as it saves).
    const int start = i++;
    while (i < count && i - start < kMaxPackBitsLiteral &&
           !(i + 2 < count && data[i] == data[i + 1] && data[i] == data[i + 2])) {
      ++i;
    }
    out.push_back(static_cast<uint8_t>(i - start - 1));
    out.insert(out.end(), data + start, data + i);
  }
}

void AppendGsV0Bands(Bytes &out, const MonoBitmap &bitmap) {
  out.reserve(out.size() + bitmap.bits.size() +
              8 * static_cast<size_t>((bitmap.height + kGsV0BandLines - 1) / kGsV0BandLines));
  for (int y = 0; y < bitmap.height; y += kGsV0BandLines) {
    const int lines = std::min(kGsV0BandLines, bitmap.height - y);
    Put(out, {0x1D, 0x76, 0x30, 0x00});
    Put16(out, bitmap.stride);
    Put16(out, lines);
    AppendRows(out, bitmap, y, lines);
  }
}

void AppendRunLengthLines(Bytes &out, const MonoBitmap &bitmap) {
  Bytes code;
  for (int y = 0; y < bitmap.height; ++y) {
    code.clear();
    AppendPackBits(code, bitmap.row(y), bitmap.stride);
    Put(out, {0x1F, 0x28, 0x50});
    Put16(out, static_cast<uint32_t>(code.size() + 2));
    Put16(out, bitmap.stride);
    out.insert(out.end(), code.begin(), code.end());
  }
}

void AppendJbigBands(Bytes &out, const MonoBitmap &bitmap) {
  for (int y = 0; y < bitmap.height; y += kJbigBandLines) {
    const int lines = std::min(kJbigBandLines, bitmap.height - y);
    const Bytes code = EncodeJbig85(bitmap, y, lines);
    Put(out, {0x1F, 0x28, 0x4A});
    Put16(out, bitmap.stride);
    Put16(out, lines);
    Put32(out, static_cast<uint32_t>(code.size()));
    out.insert(out.end(), code.begin(), code.end());
  }
}

std::optional<Bytes> FrameReceiptRaster(const MonoBitmap &bitmap, int compression) {
  Bytes out;
  switch (compression) {
    case static_cast<int>(CompressionMethod::kNone):
      AppendGsV0Bands(out, bitmap);
      return out;
    case static_cast<int>(CompressionMethod::kRunLength):
      AppendRunLengthLines(out, bitmap);
      return out;
    case static_cast<int>(CompressionMethod::kJbig):
      AppendJbigBands(out, bitmap);
      return out;
    default:
      return std::nullopt;
  }
}

Bytes FramePageRaster(const MonoBitmap &bitmap) {
  Bytes out;
  out.reserve(bitmap.bits.size() + 24);
  Put(out, {0x1D, 0x38, 0x4C});
  Put32(out, static_cast<uint32_t>(10 + bitmap.bits.size()));
  Put(out, {0x30, 0x70, 0x30, 0x01, 0x01, 0x31});
  Put16(out, bitmap.width);
  Put16(out, bitmap.height);
  AppendRows(out, bitmap, 0, bitmap.height);
  Put(out, {0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x32});
  return out;
}

std::optional<Bytes> FrameLabelRaster(int x, int y, const MonoBitmap &bitmap, int compression) {
  const uint32_t width_dots = static_cast<uint32_t>(bitmap.stride) * 8;
  if (width_dots > 0xFFFF) return std::nullopt;
  if (compression != static_cast<int>(CompressionMethod::kNone) &&
      compression != static_cast<int>(CompressionMethod::kJbig)) {
    return std::nullopt;
  }
  Bytes out;
  const bool jbig = compression == static_cast<int>(CompressionMethod::kJbig);
  Put(out, {0x1A, 0x21, static_cast<uint8_t>(jbig ? 0xFF : 0x01)});
  Put16(out, static_cast<uint32_t>(x) & 0xFFFF);
  Put16(out, static_cast<uint32_t>(y) & 0xFFFF);
  Put16(out, width_dots);
  Put16(out, bitmap.height);
  if (jbig) {
    const Bytes code = EncodeJbig85(bitmap, 0, bitmap.height);
    Put32(out, static_cast<uint32_t>(code.size()));
    out.insert(out.end(), code.begin(), code.end());
  } else {
    Put16(out, 0);  // style
    AppendRows(out, bitmap, 0, bitmap.height);
  }
  return out;
}

}  // namespace velmora::imgprocess
