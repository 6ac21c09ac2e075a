#include "core/printer/PrinterRequests.h"

#include <cmath>
#include <limits>

namespace velmora::core::printer_requests {
namespace {

void PutLe16(Bytes &out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLe32(Bytes &out, uint32_t value) {
  PutLe16(out, value);
  PutLe16(out, value >> 16);
}

std::optional<int16_t> ToDots(double mm, uint32_t dots_per_mm) {
  const double dots = std::round(mm * static_cast<double>(dots_per_mm));
  if (!std::isfinite(dots) || dots < std::numeric_limits<int16_t>::min() ||
      dots > std::numeric_limits<int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int16_t>(dots);
}

}  // namespace

Bytes AutoReplyOn() {
  return {0x1F, 0x1B, 0x1F, 0x88, 0x04, 0x05, 0x06, 0x01};
}

Bytes RealTimeStatusQuery() {
  return {0x10, 0x04, 0x01, 0x10, 0x04, 0x02, 0x10, 0x04, 0x03, 0x10, 0x04, 0x04};
}

Bytes RealTimeStatusRequest(uint8_t n) {
  return {0x10, 0x04, n};
}

Bytes PrintResultQuery(uint8_t id) {
  return {0x1D, 0x28, 0x48, 0x06, 0x00, 0x30, 0x30, id, 0x00, 0x00, 0x00};
}

Bytes ClearBuffer() {
  return {0x10, 0x14, 0x08, 0x01, 0x03};
}

Bytes ClearError() {
  return {0x10, 0x05, 0x01};
}

Bytes LabelPositionAdjustment(int16_t print_dots, int16_t tear_dots) {
  Bytes out = {0x1F, 0x28, 0x4C, 0x05, 0x00, 0x33};
  PutLe16(out, static_cast<uint16_t>(print_dots));
  PutLe16(out, static_cast<uint16_t>(tear_dots));
  return out;
}

std::optional<LabelAdjustmentDots> LabelAdjustmentToDots(double print_mm, double tear_mm,
                                                         uint32_t dots_per_mm) {
  if (dots_per_mm == 0) return std::nullopt;
  const auto print = ToDots(print_mm, dots_per_mm);
  const auto tear = ToDots(tear_mm, dots_per_mm);
  if (!print || !tear) return std::nullopt;
  return LabelAdjustmentDots{*print, *tear};
}

std::optional<Bytes> NamePairData(std::string_view first, std::string_view second) {
  if (first.size() + 1 + second.size() + 1 > kMaxNamePairData) return std::nullopt;
  Bytes out(first.begin(), first.end());
  out.push_back(0);
  out.insert(out.end(), second.begin(), second.end());
  out.push_back(0);
  return out;
}

Bytes BasicParametersData(int32_t baudrate, int32_t codepage, int32_t density,
                          int32_t ascii_font_type, int32_t line_feed, int32_t idle_time,
                          int32_t power_off_time, int32_t max_feed_length, int32_t page_length) {
  const auto baud = static_cast<uint32_t>(baudrate);
  Bytes out = {static_cast<uint8_t>(baud >> 24),      static_cast<uint8_t>(baud >> 16),
               static_cast<uint8_t>(baud >> 8),       static_cast<uint8_t>(baud),
               static_cast<uint8_t>(codepage),        static_cast<uint8_t>(density),
               static_cast<uint8_t>(ascii_font_type), static_cast<uint8_t>(line_feed)};
  for (int32_t v : {idle_time, power_off_time, max_feed_length, page_length}) {
    PutLe16(out, static_cast<uint32_t>(v));
  }
  return out;
}

Bytes PrintSpeedSettingData(int32_t speed) {
  Bytes out;
  PutLe32(out, kHardwareFunctionPrintSpeed);
  PutLe32(out, static_cast<uint32_t>(speed));
  for (int function = 1; function < 8; ++function) PutLe32(out, 0);
  return out;
}

}  // namespace velmora::core::printer_requests
