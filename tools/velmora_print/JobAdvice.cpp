#include "JobAdvice.h"

#include <cmath>

#include "velmora/velmora.hpp"

namespace velmora_print {
namespace {

// The uncompressed raster: the rows' bytes, and 8 bytes of command per band of 24 rows.
constexpr long long kBandRows = 24;
constexpr long long kBandCommandBytes = 8;
// What the job counts for the feed while the printer has reported no resolution.
constexpr velmora::Int kFallbackDotsPerMm = 8;

long long RowBytes(long long width) {
  return (width + 7) / 8;
}

}  // namespace

long long OtherCommandBytes(const JobSettings &settings) {
  const velmora::Int m = velmora::VP_Port_OpenMemoryBuffer(kJobLimitBytes);
  if (m == 0) return kJobLimitBytes;  // not counted: as if nothing else fitted
  if (settings.density >= 0 && settings.density <= 15) {
    velmora::VP_Pos_SetPrintDensity(m, settings.density);
  }
  velmora::Int area_dots = 0;
  if (settings.dots_per_mm > 0 && settings.width_mm > 0 &&
      !__builtin_mul_overflow(settings.width_mm, settings.dots_per_mm, &area_dots)) {
    velmora::VP_Pos_SetPrintAreaLeftMargin(m, 0);
    velmora::VP_Pos_SetPrintAreaWidth(m, area_dots);
  }
  velmora::VP_Pos_SetAlignment(m, static_cast<VP_Pos_Alignment>(settings.alignment));
  if (settings.feed_mm > 0) {
    const velmora::Int dots_per_mm =
        settings.dots_per_mm > 0 ? settings.dots_per_mm : kFallbackDotsPerMm;
    velmora::VP_Pos_FeedDot(
        m,
        static_cast<velmora::Int>(std::round(settings.feed_mm * static_cast<double>(dots_per_mm))));
  }
  if (settings.cut == 1) velmora::VP_Pos_FullCutPaper(m);
  if (settings.cut == 2) velmora::VP_Pos_HalfCutPaper(m);
  const auto bytes = static_cast<long long>(velmora::VP_Port_GetMemoryBufferData(m).size());
  velmora::VP_Port_Close(m);
  return bytes;
}

long long RasterBytes(long long width, long long height) {
  return RowBytes(width) * height + (height + kBandRows - 1) / kBandRows * kBandCommandBytes;
}

long long RowsThatFit(long long width, long long other_bytes) {
  const long long room = kJobLimitBytes - other_bytes;
  const long long band = kBandCommandBytes + kBandRows * RowBytes(width);
  if (room <= 0) return 0;
  // Whole bands, then what is left (less than a whole band) takes a shorter band of its own.
  const long long left = room % band;
  const long long rows_left =
      left > kBandCommandBytes ? (left - kBandCommandBytes) / RowBytes(width) : 0;
  return room / band * kBandRows + rows_left;
}

std::string JobNotMadeAdvice(long long width, long long height, long long paper_dots,
                             long long other_bytes) {
  const std::string not_made = "the job was not made, so nothing was sent: ";
  const long long raster = RasterBytes(width, height);
  if (raster + other_bytes <= kJobLimitBytes) {
    return not_made + "the picture could not be turned into printer commands.";
  }
  const bool too_wide = paper_dots > 0 && width > paper_dots;
  std::string why = "the picture, " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels at one dot each, makes " + std::to_string(raster) +
                    " bytes of raster, and with the job's other commands (" +
                    std::to_string(other_bytes) + " bytes) more than one job may hold (1 MiB)";
  if (too_wide) why += ", and is wider than the paper's " + std::to_string(paper_dots) + " dots";
  // At the paper's width the picture may still be too long for one job.
  const long long rows = RowsThatFit(too_wide ? paper_dots : width, other_bytes);
  std::string fix;
  if (too_wide) fix = " at most " + std::to_string(paper_dots) + " pixels wide";
  if (height > rows) {
    fix +=
        (too_wide ? " and" : "") + std::string(" at most ") + std::to_string(rows) + " pixels high";
  }
  return not_made + why + ".\nPrint a picture" + fix + ".";
}

}  // namespace velmora_print
