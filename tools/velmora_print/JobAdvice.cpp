#include "JobAdvice.h"

namespace velmora_print {
namespace {

// The uncompressed raster: the rows' bytes, and 8 bytes of command per band of 24 rows.
constexpr long long kBandRows = 24;
constexpr long long kBandCommandBytes = 8;
// Room for the job's other commands (density, print area, alignment, feed, cut).
constexpr long long kOtherCommandBytes = 64;

long long RowBytes(long long width) {
  return (width + 7) / 8;
}

long long RasterBytes(long long width, long long height) {
  return RowBytes(width) * height + (height + kBandRows - 1) / kBandRows * kBandCommandBytes;
}

// The most rows of `width` pixels one job takes.
long long RowsThatFit(long long width) {
  return (kJobLimitBytes - kOtherCommandBytes) * kBandRows /
         (RowBytes(width) * kBandRows + kBandCommandBytes);
}

}  // namespace

bool RasterPastJobLimit(long long width, long long height) {
  return RasterBytes(width, height) > kJobLimitBytes;
}

std::string JobNotMadeAdvice(long long width, long long height, long long paper_dots) {
  const std::string not_made = "the job was not made, so nothing was sent: ";
  const long long raster = RasterBytes(width, height);
  if (raster <= kJobLimitBytes - kOtherCommandBytes) {
    return not_made + "the picture could not be turned into printer commands.";
  }
  const bool too_wide = paper_dots > 0 && width > paper_dots;
  std::string why = "the picture, " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels at one dot each, makes " + std::to_string(raster) +
                    " bytes of raster, more than one job may hold (1 MiB with the job's other "
                    "commands)";
  if (too_wide) why += ", and is wider than the paper's " + std::to_string(paper_dots) + " dots";
  // At the paper's width the picture may still be too long for one job.
  const long long rows = RowsThatFit(too_wide ? paper_dots : width);
  std::string fix;
  if (too_wide) fix = " at most " + std::to_string(paper_dots) + " pixels wide";
  if (height > rows) {
    fix += (too_wide ? " and" : "") + std::string(" at most about ") + std::to_string(rows) +
           " pixels high";
  }
  return not_made + why + ".\nPrint a picture" + fix + ".";
}

}  // namespace velmora_print
