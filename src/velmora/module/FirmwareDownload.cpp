// Firmware download: the image, checked and framed, written through the port in pieces.
#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <thread>

#include "platform/ApplicationClosure.h"
#include "velmora/module/firmware.hpp"
#include "velmora/module/port.hpp"

namespace velmora {
namespace {

constexpr size_t kHeaderSize = 8;
constexpr size_t kPieceSize = 1200;
constexpr Int kPieceTimeoutMs = 10000;

// One line on standard output, sent out at once.
__attribute__((format(printf, 1, 2))) void Say(const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

bool VP_Settings_DownloadFirmware(Int handle, const std::vector<std::uint8_t> &firmware,
                                  const std::function<void(Int, Int)> &progressBlock) {
  Say("Firmware Size: %zu", firmware.size());
  if (firmware.size() < kHeaderSize) {
    Say("Firmware Invalid");
    return false;
  }
  const std::uint32_t length =
      static_cast<std::uint32_t>(firmware[4]) | static_cast<std::uint32_t>(firmware[5]) << 8 |
      static_cast<std::uint32_t>(firmware[6]) << 16 | static_cast<std::uint32_t>(firmware[7]) << 24;
  Say("Firmware Checksum: %u", static_cast<unsigned>(length));
  if (length != firmware.size()) {
    Say("Firmware Checksum Error");
    return false;
  }
  // Built whole before the first write: the command, the length big-endian, the image.
  std::vector<std::uint8_t> stream(firmware.size() + 6);
  stream[0] = 0x1F;
  stream[1] = 0x75;
  stream[2] = firmware[7];
  stream[3] = firmware[6];
  stream[4] = firmware[5];
  stream[5] = firmware[4];
  std::copy(firmware.begin(), firmware.end(), stream.begin() + 6);
  const Int total = static_cast<Int>(stream.size());
  Say("Cmd Length: %zu", stream.size());

  Int sent = 0;
  while (sent < total) {
    const Int n = std::min<Int>(kPieceSize, total - sent);
    if (VP_Port_Write(handle, stream, sent, n, kPieceTimeoutMs) != n) break;
    sent += n;
    Say("%.2f%%", 100.0 * static_cast<double>(sent) / static_cast<double>(total));
    platform::CallApplicationClosure(progressBlock, total, sent);
    std::this_thread::sleep_for(std::chrono::microseconds(1000));
  }
  if (sent == total) {
    Say("Firmware Download Success");
    return true;
  }
  Say("Firmware Download Failed");
  return false;
}

}  // namespace velmora
