// velmora-print: prints a few lines on a receipt printer over TCP.
//
//   velmora-print              prints on a virtual printer started on loopback, then shows
//                              what it received
//   velmora-print HOST[:PORT]  prints on the printer at HOST (port 9100 by default)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "VirtualTcpPrinter.h"
#include "velmora/velmora.h"

namespace {

constexpr unsigned kConnectTimeoutMs = 3000;
constexpr unsigned kWriteTimeoutMs = 5000;

bool SplitHostPort(const std::string &arg, std::string &host, unsigned short &port) {
  const auto colon = arg.rfind(':');
  host = arg.substr(0, colon);
  port = 9100;
  if (colon == std::string::npos) return !host.empty();
  char *end = nullptr;
  const long value = std::strtol(arg.c_str() + colon + 1, &end, 10);
  if (*end != '\0' || value < 1 || value > 65535) return false;
  port = static_cast<unsigned short>(value);
  return !host.empty();
}

void ShowReceived(const velmora::vprinter::Bytes &bytes) {
  std::printf("The virtual printer received %zu bytes:\n", bytes.size());
  for (size_t i = 0; i < bytes.size(); i += 16) {
    std::printf("  %06zx ", i);
    for (size_t j = i; j < i + 16; ++j) {
      if (j < bytes.size()) {
        std::printf(" %02X", bytes[j]);
      } else {
        std::printf("   ");
      }
    }
    std::printf("  ");
    for (size_t j = i; j < i + 16 && j < bytes.size(); ++j) {
      std::putchar(bytes[j] >= 0x20 && bytes[j] < 0x7F ? bytes[j] : '.');
    }
    std::putchar('\n');
  }
}

}  // namespace

int main(int argc, char **argv) {
  std::string host = "127.0.0.1";
  unsigned short port = 0;
  velmora::vprinter::VirtualTcpPrinter virtual_printer;
  const bool use_virtual = argc < 2;
  if (use_virtual) {
    if (!virtual_printer.Start()) {
      std::fprintf(stderr, "cannot start the virtual printer on loopback\n");
      return 1;
    }
    port = virtual_printer.port();
    std::printf("Virtual printer listening on %s:%u\n", host.c_str(), port);
  } else if (!SplitHostPort(argv[1], host, port)) {
    std::fprintf(stderr, "usage: %s [HOST[:PORT]]\n", argv[0]);
    return 2;
  }

  std::printf("velmora %s\n", VP_Library_Version());
  void *handle = VP_Port_OpenTcp("", host.c_str(), port, kConnectTimeoutMs, 0);
  if (handle == nullptr) {
    std::fprintf(stderr, "cannot connect to %s:%u\n", host.c_str(), port);
    return 1;
  }
  const char *lines[] = {"velmora test print\r\n", "Line two: 1234567890\r\n",
                         "Line three: thank you\r\n\r\n\r\n"};
  bool ok = true;
  size_t total = 0;
  for (const char *line : lines) {
    const unsigned length = static_cast<unsigned>(std::strlen(line));
    const int written = VP_Port_Write(handle, reinterpret_cast<const unsigned char *>(line), length,
                                      kWriteTimeoutMs);
    ok = ok && written == static_cast<int>(length);
    total += written > 0 ? static_cast<size_t>(written) : 0;
  }
  VP_Port_Close(handle);
  std::printf("%s: wrote %zu bytes to %s:%u\n", ok ? "Printed" : "Failed", total, host.c_str(),
              port);

  if (use_virtual) {
    virtual_printer.printer().WaitForReceivedSize(total, 2000);
    ShowReceived(virtual_printer.printer().Received());
  }
  return ok ? 0 : 1;
}
