// velmora-print: prints a picture on a receipt printer through the connector and the image print
// job, and shows the print result. `velmora-print --help` lists what it takes.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "JobAdvice.h"
#include "Options.h"
#include "PaperRenderer.h"
#include "VirtualReceiptPrinter.h"
#include "velmora/velmora.hpp"

namespace {

using velmora::Int;
using velmora::VLPrintCommon;
using velmora::VLPrinterConnector;
using velmora::VLPrinterDevice;
using velmora_print::Options;
using velmora_print::Target;
using velmora_print::VirtualReceiptPrinter;
using Status = VLPrinterConnector::ConnectionStatus;

constexpr Int kErrorDiffusion = 2;
constexpr Int kNoCompression = 0;
constexpr Int kPlainPaper = 0;
constexpr Int kCentred = 1;
constexpr int kResolutionWaitMs = 2000;
constexpr int kPaperWaitMs = 5000;
// What the connector tries for a network printer.
constexpr int kTcpPort = 9100;
constexpr double kTcpTimeoutSeconds = 5;

int Fail(int status, const std::string &message) {
  std::fprintf(stderr, "velmora-print: %s\n", message.c_str());
  return status;
}

// Null, with `error` saying why, when no picture can be read from `path`.
std::shared_ptr<velmora::platform::Image> ReadImage(const std::string &path, std::string &error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || ::access(path.c_str(), R_OK) != 0) {
    error = path + ": " + std::strerror(errno);
    return nullptr;
  }
  if (S_ISDIR(info.st_mode)) {
    error = path + ": a directory, not a picture";
    return nullptr;
  }
  auto image = velmora::platform::Image::fromFile(path);
  if (image == nullptr) error = path + ": not a PNG, JPEG, BMP or GIF picture this tool can read";
  return image;
}

std::string ConnectFailure(const std::shared_ptr<VLPrinterDevice> &device, double seconds) {
  if (device->port_type != "tcp")
    return "cannot connect to " + VLPrinterDevice::toUidString(device);
  const std::string outcome = seconds < kTcpTimeoutSeconds * 0.9
                                  ? "the connection was refused or the address is unreachable"
                                  : "nothing answered in time";
  return "cannot connect to the printer at " + device->port_address + ": tried TCP port " +
         std::to_string(kTcpPort) + " with a " + std::to_string(int(kTcpTimeoutSeconds)) +
         " s timeout, and " + outcome +
         ".\nCheck that the printer is switched on and has this address, that this machine "
         "reaches it, and that it takes raw print jobs on port " +
         std::to_string(kTcpPort) + " with no other program connected to it.";
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

// The paper's width in dots, once the printer has reported its resolution (it comes with its
// first status reports); 0 when it has not.
long long WaitForPaperDots(const std::shared_ptr<VLPrinterConnector> &connector) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kResolutionWaitMs);
  while (std::chrono::steady_clock::now() < deadline) {
    const auto resolution = VLPrintCommon::getPrinterResolution(connector);
    if (resolution != nullptr && resolution->getDotsPerMM() > 0) {
      std::printf("Printer resolution: %s\n", resolution->toString().c_str());
      return static_cast<long long>(resolution->getWidthMM()) * resolution->getDotsPerMM();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::printf("The printer did not report its resolution; printing without it.\n");
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  // Progress and errors go to different streams; keep them in order on a terminal or in a log.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Options options;
  std::string error;
  if (!velmora_print::ParseOptions(argc, argv, options, error)) {
    return Fail(2, error + "\n(velmora-print --help shows the usage)");
  }
  if (options.help) {
    velmora_print::PrintUsage(stdout);
    return 0;
  }
  if (options.target == Target::Ble) {
    return Fail(1, options.address +
                       ": this platform has no Bluetooth LE radio, so no Bluetooth LE printer is "
                       "in range.\nThe library runs Bluetooth LE on a simulated radio where only "
                       "virtual printers are; velmora-print virtual-ble prints on one.");
  }
  const auto image = ReadImage(options.image, error);
  if (image == nullptr) return Fail(1, error);

  std::unique_ptr<VirtualReceiptPrinter> virtual_printer;
  std::shared_ptr<VLPrinterDevice> device;
  if (options.target == Target::Tcp) {
    device = std::make_shared<VLPrinterDevice>(options.address, options.port_type, options.address);
  } else {
    virtual_printer = options.target == Target::VirtualTcp ? VirtualReceiptPrinter::StartTcp()
                                                           : VirtualReceiptPrinter::StartBle();
    if (virtual_printer == nullptr) {
      return Fail(1, "cannot start the virtual printer: no free loopback address for port 9100");
    }
    device = virtual_printer->device();
    std::printf("Virtual printer %s\n", virtual_printer->where().c_str());
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
  const auto connect_start = std::chrono::steady_clock::now();
  if (!connector->connectPrinterSync(device)) {
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - connect_start;
    return Fail(1, ConnectFailure(device, took.count()));
  }
  const long long paper_dots = WaitForPaperDots(connector);
  const auto width = static_cast<long long>(image->size().width);
  const auto height = static_cast<long long>(image->size().height);
  // A picture whose raster alone is past what a job holds can make no job: no need to render it.
  if (velmora_print::RasterPastJobLimit(width, height)) {
    connector->disconnectPrinter();
    return Fail(1, velmora_print::JobNotMadeAdvice(width, height, paper_dots));
  }

  const auto result = VLPrintCommon::printImage(
      connector, image, kErrorDiffusion, kNoCompression, kPlainPaper, kCentred, options.speed,
      options.density, false, options.feed_mm, options.cut, options.wait_ms);
  std::printf("%s", result->toString().c_str());
  connector->disconnectPrinter();
  connector.reset();
  // Not a byte was sent: the job could not be made.
  if (result->writeDataSize == 0) {
    return Fail(1, velmora_print::JobNotMadeAdvice(width, height, paper_dots));
  }

  if (virtual_printer != nullptr) {
    const std::string out = options.out.empty() ? DefaultPaperPath() : options.out;
    // The last bytes of the job may still be on their way to the printer.
    auto &printer = virtual_printer->printer();
    printer.WaitForReceivedSize(static_cast<std::size_t>(result->writeDataSize), kPaperWaitMs);
    if (!velmora::vprinter::RenderReceivedToPng(printer.Received(), out)) {
      return Fail(1, "cannot save the virtual printer's paper as " + out);
    }
    std::printf("The virtual printer's paper: %s\n", out.c_str());
  }
  return result->printResult ? 0 : 1;
}
