#include "velmora/convenience/ImagePrintJob.h"

#include <cmath>
#include <limits>
#include <utility>

#include "velmora/module/blackmark.hpp"
#include "velmora/module/image.hpp"
#include "velmora/module/port.hpp"
#include "velmora/module/pos.hpp"

namespace velmora::detail {
namespace {

constexpr Int kDrawerPulseUnits = 100;  // of 2 ms: on and off for 200 ms each
constexpr Int kFallbackDotsPerMm = 8;
constexpr Int kLabelWriteTimeoutMs = 10000;
constexpr Int kMinLinkSpeed = 5;
constexpr Int kMaxLinkSpeed = 300;
constexpr Int kLabelPaper = 2;
constexpr Int kBlackMarkPaper = 3;
constexpr Int kFullCut = 1;
constexpr Int kHalfCut = 2;

bool FitsUnsigned32(Int value) {
  return value >= 0 &&
         static_cast<std::uint64_t>(value) <= std::numeric_limits<std::uint32_t>::max();
}

// A memory port for one job, closed at the end of the scope.
class MemoryPort {
 public:
  MemoryPort() : handle_(velmora::VP_Port_OpenMemoryBuffer(kImageJobCapacity)) {}
  ~MemoryPort() {
    if (handle_ != 0) velmora::VP_Port_Close(handle_);
  }
  MemoryPort(const MemoryPort &) = delete;
  MemoryPort &operator=(const MemoryPort &) = delete;
  Int handle() const { return handle_; }

 private:
  Int handle_;
};

bool WriteRaw(Int handle, const std::vector<std::uint8_t> &bytes) {
  return velmora::VP_Port_Write(handle, bytes, static_cast<Int>(bytes.size()),
                                kLabelWriteTimeoutMs) == static_cast<Int>(bytes.size());
}

}  // namespace

std::vector<std::uint8_t> RenderImageJob(const std::optional<std::vector<std::uint8_t>> &png,
                                         const VLPrinterResolution *resolution,
                                         const ImageJobSettings &settings) {
  if (!FitsUnsigned32(settings.binaryzationMethod) || !FitsUnsigned32(settings.compressionMethod) ||
      !FitsUnsigned32(settings.printAlignment)) {
    return {};
  }
  MemoryPort memory;
  const Int m = memory.handle();
  if (m == 0 || !png) return {};

  // Every command must be collected whole: a job without its picture, or cut short at the
  // memory port's end, is no job.
  bool whole = true;
  const auto collect = [&whole](bool written) { whole = whole && written; };
  // A printer that has not reported yet reads as 0 dots per mm: as good as no resolution.
  const bool known = resolution != nullptr && resolution->getDotsPerMM() > 0;
  if (settings.printDensity >= 0 && settings.printDensity <= 15) {
    collect(velmora::VP_Pos_SetPrintDensity(m, settings.printDensity));
  }
  if (settings.kickDrawer) {
    collect(velmora::VP_Pos_KickOutDrawer(m, 0, kDrawerPulseUnits, kDrawerPulseUnits));
    collect(velmora::VP_Pos_KickOutDrawer(m, 1, kDrawerPulseUnits, kDrawerPulseUnits));
  }
  if (known && resolution->getWidthMM() > 0) {
    Int width_dots = 0;
    // A width beyond any printer's is left to the printer's own setting.
    if (!__builtin_mul_overflow(resolution->getWidthMM(), resolution->getDotsPerMM(),
                                &width_dots)) {
      collect(velmora::VP_Pos_SetPrintAreaLeftMargin(m, 0));
      collect(velmora::VP_Pos_SetPrintAreaWidth(m, width_dots));
    }
  }
  collect(velmora::VP_Pos_SetAlignment(m, static_cast<VP_Pos_Alignment>(settings.printAlignment)));
  if (settings.paperType == kLabelPaper) collect(WriteRaw(m, {0x1A, 0x0C, 0xFF}));
  collect(velmora::VP_Pos_PrintRasterImageFromData(
      m, 0, 0, *png, static_cast<Int>(png->size()),
      static_cast<VP_ImageBinarizationMethod>(settings.binaryzationMethod),
      static_cast<VP_ImageCompressionMethod>(settings.compressionMethod)));
  if (settings.paperType == kLabelPaper) {
    collect(WriteRaw(m, {0x1A, 0x0C, 0x00}));
  } else if (settings.paperType == kBlackMarkPaper) {
    collect(velmora::VP_BlackMark_FindNextBlackMark(m));
  }
  if (settings.feedPaper > 0) {
    const Int dots_per_mm = known ? resolution->getDotsPerMM() : kFallbackDotsPerMm;
    const double dots = std::round(settings.feedPaper * static_cast<double>(dots_per_mm));
    // Beyond the range of a dot count the feed command cannot carry it.
    collect(std::fabs(dots) < 9.0e18 && velmora::VP_Pos_FeedDot(m, static_cast<Int>(dots)));
  }
  if (settings.cutPaper == kFullCut) {
    collect(velmora::VP_Pos_FullCutPaper(m));
  } else if (settings.cutPaper == kHalfCut) {
    collect(velmora::VP_Pos_HalfCutPaper(m));
  }
  if (!whole) return {};
  return velmora::VP_Port_GetMemoryBufferData(m);
}

Int LinkLimitedPrintSpeed(Int print_speed, double image_height_mm, std::size_t job_bytes,
                          Int bytes_per_second) {
  if (bytes_per_second <= 0) return print_speed;
  const double seconds = static_cast<double>(job_bytes) / static_cast<double>(bytes_per_second);
  if (!(seconds > 0)) return print_speed;
  const double pace = std::round(image_height_mm / seconds);
  if (std::isnan(pace)) return print_speed;
  const Int speed = pace < kMinLinkSpeed   ? kMinLinkSpeed
                    : pace > kMaxLinkSpeed ? kMaxLinkSpeed
                                           : static_cast<Int>(pace);
  return speed < print_speed ? speed : print_speed;
}

std::vector<std::uint8_t> PrintSpeedCommand(Int speed) {
  return {0x1F,
          0x28,
          0x73,
          0x02,
          0x00,
          static_cast<std::uint8_t>(speed & 0xFF),
          static_cast<std::uint8_t>((speed >> 8) & 0xFF)};
}

}  // namespace velmora::detail
