// The firmware download reading arbitrary firmware files: it checks the length field, frames the
// image with the download command, writes it in pieces of 1200 bytes until one is refused, and
// says so on standard output and to the progress closure. What reaches the port is always the
// start of the stream, in whole pieces; success means all of it got there.
//
// Input: bytes 0 and 1 the capacity of the memory port the image goes to (16-bit LE, plus one);
// byte 2 bit 0: handle 0 instead of the port, bit 1: the image's length field is set to its
// size; then the image.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "FuzzHarness.h"
#include "velmora/module/firmware.hpp"
#include "velmora/vp_port.h"

namespace {

using velmora::Int;
using velmora::fuzz::Bytes;
using velmora::fuzz::Require;

constexpr size_t kPiece = 1200;
// Each piece is followed by a 1 ms pause: larger images only slow the run down.
constexpr size_t kMaxImage = 3 * kPiece;

int g_output = -1;  // standard output goes here

// What the download printed since the last call.
std::string TakeOutput() {
  std::fflush(stdout);
  std::string text(static_cast<size_t>(lseek(g_output, 0, SEEK_END)), '\0');
  Require(pread(g_output, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()));
  Require(ftruncate(g_output, 0) == 0);
  std::fseek(stdout, 0, SEEK_SET);
  return text;
}

std::string Line(const char *format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return std::string(text) + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  std::fflush(stdout);
  g_output = memfd_create("fuzz_firmware_stdout", 0);
  Require(g_output >= 0 && dup2(g_output, STDOUT_FILENO) == STDOUT_FILENO);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 3 || size - 3 > kMaxImage) return 0;
  const size_t capacity = (data[0] | data[1] << 8) + size_t{1};
  const bool no_handle = (data[2] & 1) != 0;
  Bytes image(data + 3, data + size);
  if ((data[2] & 2) != 0 && image.size() >= 8) {
    for (int i = 0; i < 4; ++i) image[4 + i] = static_cast<uint8_t>(image.size() >> (8 * i));
  }

  void *port = VP_Port_OpenMemoryBuffer(static_cast<unsigned>(capacity));
  Require(port != nullptr);
  std::vector<std::pair<Int, Int>> progress;
  TakeOutput();
  const bool result = velmora::VP_Settings_DownloadFirmware(
      no_handle ? 0 : reinterpret_cast<Int>(port), image,
      [&progress](Int total, Int sent) { progress.emplace_back(total, sent); });
  const std::string output = TakeOutput();
  const Bytes got(
      VP_Port_GetMemoryBufferDataPointer(port),
      VP_Port_GetMemoryBufferDataPointer(port) + VP_Port_GetMemoryBufferDataLength(port));
  VP_Port_Close(port);

  // What the download must have done, worked out on its own.
  std::string expected = "Firmware Size: " + std::to_string(image.size()) + "\n";
  Bytes stream;
  std::vector<std::pair<Int, Int>> steps;
  bool success = false;
  if (image.size() < 8) {
    expected += "Firmware Invalid\n";
  } else {
    const uint32_t length = image[4] | image[5] << 8 | image[6] << 16 | uint32_t{image[7]} << 24;
    expected += "Firmware Checksum: " + std::to_string(length) + "\n";
    if (length != image.size()) {
      expected += "Firmware Checksum Error\n";
    } else {
      stream = {0x1F, 0x75, image[7], image[6], image[5], image[4]};
      stream.insert(stream.end(), image.begin(), image.end());
      const size_t total = stream.size();
      expected += "Cmd Length: " + std::to_string(total) + "\n";
      size_t sent = 0;
      // The memory port takes a piece whole while it fits, and refuses it whole otherwise.
      while (sent < total && !no_handle && sent + std::min(kPiece, total - sent) <= capacity) {
        sent += std::min(kPiece, total - sent);
        expected += Line("%.2f%%", 100.0 * static_cast<double>(sent) / static_cast<double>(total));
        steps.emplace_back(static_cast<Int>(total), static_cast<Int>(sent));
      }
      success = sent == total;
      expected += success ? "Firmware Download Success\n" : "Firmware Download Failed\n";
      stream.resize(sent);
    }
  }
  Require(result == success);
  Require(output == expected);
  Require(progress == steps);
  Require(got == stream);
  return 0;
}
