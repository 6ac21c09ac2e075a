#include "nzcommon/imgprocess/AreaScaler.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace velmora::imgprocess {

namespace {

// For one axis: which source pixels each output pixel covers and by how much. Lengths are in
// units of 1 / out of a source pixel, so the overlaps of one output pixel sum to `in`.
struct AxisWeights {
  std::vector<int> first;   // first source index of output i
  std::vector<int> offset;  // start of output i's overlaps in `overlap`; offset[out] = end
  std::vector<uint32_t> overlap;
};

AxisWeights ComputeAxisWeights(int in, int out) {
  AxisWeights w;
  w.first.resize(out);
  w.offset.resize(out + 1);
  w.overlap.reserve(static_cast<size_t>(out) + in + 1);
  for (int i = 0; i < out; ++i) {
    const int64_t box_begin = int64_t{i} * in;
    const int64_t box_end = box_begin + in;
    const int first = static_cast<int>(box_begin / out);
    const int last = static_cast<int>((box_end + out - 1) / out) - 1;
    w.first[i] = first;
    w.offset[i] = static_cast<int>(w.overlap.size());
    for (int j = first; j <= last; ++j) {
      const int64_t pixel_begin = int64_t{j} * out;
      const int64_t covered =
          std::min(box_end, pixel_begin + out) - std::max(box_begin, pixel_begin);
      w.overlap.push_back(static_cast<uint32_t>(covered));
    }
  }
  w.offset[out] = static_cast<int>(w.overlap.size());
  return w;
}

}  // namespace

std::optional<GreyImage> ScaleAreaAverage(const GreyImage &source, int width, int height) {
  if (!IsAcceptableImageSize(width, height)) return std::nullopt;
  if (width == source.width && height == source.height) return source;

  const AxisWeights wx = ComputeAxisWeights(source.width, width);
  const AxisWeights wy = ComputeAxisWeights(source.height, height);
  const uint64_t total = uint64_t(source.width) * uint64_t(source.height);

  GreyImage result;
  result.width = width;
  result.height = height;
  result.pixels.resize(static_cast<size_t>(width) * height);

  // One row of vertical sums: at most source.height * 255, well inside 32 bits.
  std::vector<uint32_t> column_sums(source.width);
  for (int y = 0; y < height; ++y) {
    std::fill(column_sums.begin(), column_sums.end(), 0u);
    for (int k = wy.offset[y]; k < wy.offset[y + 1]; ++k) {
      const uint32_t weight = wy.overlap[k];
      const uint8_t *src = source.row(wy.first[y] + (k - wy.offset[y]));
      for (int x = 0; x < source.width; ++x) column_sums[x] += weight * src[x];
    }
    uint8_t *dst = result.row(y);
    for (int x = 0; x < width; ++x) {
      uint64_t sum = 0;
      const uint32_t *sums = column_sums.data() + wx.first[x];
      for (int k = wx.offset[x]; k < wx.offset[x + 1]; ++k) {
        sum += uint64_t(wx.overlap[k]) * sums[k - wx.offset[x]];
      }
      dst[x] = static_cast<uint8_t>((sum + total / 2) / total);
    }
  }
  return result;
}

}  // namespace velmora::imgprocess
