#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "velmora/convenience/print_common.hpp"
#include "velmora/convenience/printer_resolution.hpp"
#include "velmora/module/types.hpp"

namespace velmora::detail {

// How one picture is to be printed (see VLPrintCommon::printImage).
struct ImageJobSettings {
  Int binaryzationMethod = 0;
  Int compressionMethod = 0;
  Int paperType = 0;
  Int printAlignment = 0;
  Int printDensity = -1;
  bool kickDrawer = false;
  double feedPaper = 0;
  Int cutPaper = 0;
};

// Capacity of the memory port the job is collected in.
inline constexpr Int kImageJobCapacity = VLPrintCommon::kImageJobCapacity;

// The job's bytes, made by the receipt commands against a memory port, in this order: density,
// two drawer pulses, print area, alignment, the label start, the picture, the label end or the
// black-mark search, the feed, the cut. Without a resolution (or before the printer reported one:
// 0 dots per mm) there is no print area and the feed counts 8 dots per mm. Empty when there is no
// PNG, a method or the alignment lies outside 0..4294967295, no memory port can be had, or any
// command cannot be made or would take the job past kImageJobCapacity (the picture, above all).
std::vector<std::uint8_t> RenderImageJob(const std::optional<std::vector<std::uint8_t>> &png,
                                         const VLPrinterResolution *resolution,
                                         const ImageJobSettings &settings);

// The print speed for a job on a Bluetooth LE link of `bytes_per_second`: the speed at which the
// picture (`image_height_mm` long) prints in the time the link takes for `job_bytes`, kept
// within 5..300 mm/s, when that is below `print_speed`; otherwise `print_speed`.
Int LinkLimitedPrintSpeed(Int print_speed, double image_height_mm, std::size_t job_bytes,
                          Int bytes_per_second);

// The fastest speed the print-speed command carries, in its 16 bits.
inline constexpr Int kMaxPrintSpeed = 0xFFFF;

// The print-speed command put in front of a job: 1F 28 73 02 00 and the speed's low 16 bits,
// least significant byte first.
std::vector<std::uint8_t> PrintSpeedCommand(Int speed);

}  // namespace velmora::detail
