// velmora-print: prints a picture on a receipt printer through the connector and the image print
// job, and shows the print result.
//
//   velmora-print [options] [PRINTER [IMAGE]]
//
//   PRINTER   tcp:HOST            a network printer (TCP port 9100)
//             AA:BB:CC:DD:EE:FF   a Bluetooth LE printer (or TYPE:ADDRESS with a port type of
//                                 btblewr, btblev2, btblev3, btbleva)
//             virtual             (the default) a virtual printer started on loopback; what it
//                                 printed is saved as a PNG
//   IMAGE     a PNG, JPEG, BMP or GIF file; by default the sample receipt
//
//   --out FILE     where the virtual printer's paper goes (default: velmora-print-paper.png
//                  next to this program)
//   --speed MM_S   print speed sent in front of the job (default: none)
//   --density N    print density 0..15 (default: the printer's own)
//   --feed MM      paper fed after the picture (default 10)
//   --no-cut       no cut after the picture (default: full cut)
//   --wait MS      wait that long for the printer to confirm the print (default 10000; 0: no wait)
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "PaperRenderer.h"
#include "StatusBehaviours.h"
#include "VirtualTcpPrinter.h"
#include "velmora/velmora.hpp"

namespace {

using velmora::Int;
using velmora::VLPrintCommon;
using velmora::VLPrinterConnector;
using velmora::VLPrinterDevice;
using Status = VLPrinterConnector::ConnectionStatus;

constexpr Int kErrorDiffusion = 2;
constexpr Int kNoCompression = 0;
constexpr Int kPlainPaper = 0;
constexpr Int kCentred = 1;
constexpr Int kFullCut = 1;
constexpr int kResolutionWaitMs = 2000;

struct Options {
  std::string printer = "virtual";
  std::string image = VELMORA_SAMPLE_IMAGE;
  std::string out;
  Int speed = 0;
  Int density = -1;
  double feed_mm = 10;
  Int cut = kFullCut;
  Int wait_ms = 10000;
};

void Usage(const char *program, FILE *to) {
  std::fprintf(
      to,
      "usage: %s [options] [PRINTER [IMAGE]]\n"
      "  PRINTER  tcp:HOST (port 9100), a Bluetooth LE address AA:BB:CC:DD:EE:FF,\n"
      "           TYPE:ADDRESS (btblewr, btblev2, btblev3, btbleva), or virtual\n"
      "           (the default: a virtual printer on loopback)\n"
      "  IMAGE    a PNG, JPEG, BMP or GIF file (default: the sample receipt)\n"
      "  --out FILE    the virtual printer's paper as PNG\n"
      "                (default: velmora-print-paper.png next to this program)\n"
      "  --speed MM_S  print speed sent in front of the job\n"
      "  --density N   print density 0..15\n"
      "  --feed MM     paper fed after the picture (default 10)\n"
      "  --no-cut      no cut after the picture\n"
      "  --wait MS     wait for the printer to confirm the print (default 10000; 0: none)\n",
      program);
}

bool ParseInt(const char *text, Int low, Int high, Int &value) {
  char *end = nullptr;
  const long long parsed = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || parsed < low || parsed > high) return false;
  value = static_cast<Int>(parsed);
  return true;
}

bool ParseOptions(int argc, char **argv, Options &options) {
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--no-cut") {
      options.cut = 0;
    } else if (arg == "--out" && has_value) {
      options.out = argv[++i];
    } else if (arg == "--speed" && has_value) {
      if (!ParseInt(argv[++i], 0, 65535, options.speed)) return false;
    } else if (arg == "--density" && has_value) {
      if (!ParseInt(argv[++i], 0, 15, options.density)) return false;
    } else if (arg == "--wait" && has_value) {
      if (!ParseInt(argv[++i], 0, INT_MAX, options.wait_ms)) return false;
    } else if (arg == "--feed" && has_value) {
      char *end = nullptr;
      options.feed_mm = std::strtod(argv[++i], &end);
      if (*end != '\0' || !(options.feed_mm >= 0 && options.feed_mm <= 1000)) return false;
    } else if (arg.rfind("--", 0) == 0) {
      return false;
    } else if (positional == 0) {
      options.printer = arg;
      ++positional;
    } else if (positional == 1) {
      options.image = arg;
      ++positional;
    } else {
      return false;
    }
  }
  return true;
}

bool LooksLikeBleAddress(const std::string &text) {
  if (text.size() != 17) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (i % 3 == 2 ? c != ':' : !std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// The device the printer argument names; null when it names none.
std::shared_ptr<VLPrinterDevice> DeviceOf(const std::string &printer) {
  if (LooksLikeBleAddress(printer)) {
    return std::make_shared<VLPrinterDevice>(printer, "btbleva", printer);
  }
  const auto colon = printer.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == printer.size()) return nullptr;
  const std::string type = printer.substr(0, colon);
  if (!VLPrinterDevice::fromRawValue(type)) return nullptr;
  const std::string address = printer.substr(colon + 1);
  return std::make_shared<VLPrinterDevice>(address, type, address);
}

std::string StatusName(Status status) {
  switch (status) {
    case Status::Disconnected:
      return "disconnected";
    case Status::Connecting:
      return "connecting";
    case Status::Connected:
      return "connected";
    case Status::Disconnecting:
      return "disconnecting";
  }
  return "?";
}

std::string DefaultPaperPath() {
  char self[4096] = {};
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof(self) - 1);
  std::string dir = length > 0 ? std::string(self, static_cast<std::size_t>(length)) : "";
  const auto slash = dir.rfind('/');
  dir = slash != std::string::npos ? dir.substr(0, slash + 1) : "";
  return dir + "velmora-print-paper.png";
}

// A virtual receipt printer on loopback port 9100: it reports its resolution and status once
// asked, confirms printed jobs, and keeps every byte for the paper picture.
struct VirtualReceiptPrinter {
  VirtualReceiptPrinter() {
    autoreply->SetResolution(80, 0, 8);
    tcp.printer().AddBehaviour(autoreply);
    tcp.printer().AddBehaviour(std::make_shared<velmora::vprinter::PrintResultBehaviour>());
    tcp.printer().AddBehaviour(std::make_shared<velmora::vprinter::RealTimeStatusBehaviour>());
  }
  std::shared_ptr<velmora::vprinter::AutoReplyBehaviour> autoreply =
      std::make_shared<velmora::vprinter::AutoReplyBehaviour>();
  velmora::vprinter::VirtualTcpPrinter tcp;
};

// The printer's resolution, once it has reported one (it comes with its first status reports).
void WaitForResolution(const std::shared_ptr<VLPrinterConnector> &connector) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kResolutionWaitMs);
  while (std::chrono::steady_clock::now() < deadline) {
    const auto resolution = VLPrintCommon::getPrinterResolution(connector);
    if (resolution != nullptr && resolution->getDotsPerMM() > 0) {
      std::printf("Printer resolution: %s\n", resolution->toString().c_str());
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::printf("The printer did not report its resolution; printing without it.\n");
}

}  // namespace

int main(int argc, char **argv) {
  Options options;
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    Usage(argv[0], stdout);
    return 0;
  }
  if (!ParseOptions(argc, argv, options)) {
    Usage(argv[0], stderr);
    return 2;
  }
  const auto image = velmora::platform::Image::fromFile(options.image);
  if (image == nullptr) {
    std::fprintf(stderr, "cannot read an image from %s\n", options.image.c_str());
    return 1;
  }

  std::unique_ptr<VirtualReceiptPrinter> virtual_printer;
  std::shared_ptr<VLPrinterDevice> device;
  if (options.printer == "virtual") {
    virtual_printer = std::make_unique<VirtualReceiptPrinter>();
    if (!virtual_printer->tcp.StartOnOwnLoopbackAddress(9100)) {
      std::fprintf(stderr, "cannot start the virtual printer on loopback\n");
      return 1;
    }
    device =
        std::make_shared<VLPrinterDevice>("virtual printer", "tcp", virtual_printer->tcp.address());
    std::printf("Virtual printer listening on %s:9100\n", virtual_printer->tcp.address().c_str());
  } else {
    device = DeviceOf(options.printer);
    if (device == nullptr) {
      Usage(argv[0], stderr);
      return 2;
    }
  }

  std::printf("velmora %s\n", velmora::VP_Library_Version_SwiftFunction().c_str());
  std::printf("Image: %s (%.0f x %.0f)\n", options.image.c_str(), image->size().width,
              image->size().height);
  auto connector = std::make_shared<VLPrinterConnector>();
  VLPrinterConnector *raw = connector.get();
  connector->registerConnectionStatusChangedEvent(
      [raw] { std::printf("Printer %s\n", StatusName(raw->getCurrentConnectionStatus()).c_str()); },
      1);
  std::printf("Connecting to %s\n", VLPrinterDevice::toUidString(device).c_str());
  if (!connector->connectPrinterSync(device)) {
    std::fprintf(stderr, "cannot connect to %s %s\n", device->port_type.c_str(),
                 device->port_address.c_str());
    return 1;
  }
  WaitForResolution(connector);

  const auto result = VLPrintCommon::printImage(
      connector, image, kErrorDiffusion, kNoCompression, kPlainPaper, kCentred, options.speed,
      options.density, false, options.feed_mm, options.cut, options.wait_ms);
  std::printf("%s", result->toString().c_str());
  connector->disconnectPrinter();
  connector.reset();

  if (virtual_printer != nullptr) {
    const std::string out = options.out.empty() ? DefaultPaperPath() : options.out;
    // The printer has read everything once it has seen the connection end.
    virtual_printer->tcp.WaitForNoOpenConnection(5000);
    const auto received = virtual_printer->tcp.printer().Received();
    virtual_printer->tcp.Stop();
    if (velmora::vprinter::RenderReceivedToPng(received, out)) {
      std::printf("The virtual printer's paper: %s\n", out.c_str());
    } else {
      std::fprintf(stderr, "cannot render the virtual printer's paper to %s\n", out.c_str());
      return 1;
    }
  }
  return result->printResult ? 0 : 1;
}
