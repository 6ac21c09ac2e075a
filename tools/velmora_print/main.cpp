// velmora-print: prints a picture on a receipt printer through the connector and the image print
// job, and shows the print result. `velmora-print --help` lists what it takes.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
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

// What a path names when it is no regular file.
std::string NotRegular(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory, not a picture";
  if (S_ISFIFO(mode)) return "a FIFO or pipe, not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a regular file";
  return "not a regular file";
}

// The size the picture at `path` announces, read before it is decoded so that a picture too
// large to decode is still named; none, with `error` saying why, when `path` holds no picture.
std::optional<velmora::platform::ImageSize> ReadPictureSize(const std::string &path,
                                                            std::string &error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || ::access(path.c_str(), R_OK) != 0) {
    error = path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  // Looked at before it is opened: a FIFO without a writer would block the open.
  if (!S_ISREG(info.st_mode)) {
    error = path + ": " + NotRegular(info.st_mode);
    return std::nullopt;
  }
  auto size = velmora::platform::Image::sizeOfFile(path);
  if (!size) error = path + ": not a PNG, JPEG, BMP or GIF picture this tool can read";
  return size;
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

// The printer's resolution once it has reported one with its dots per mm (it comes with its
// first status reports); null when it has not.
std::shared_ptr<velmora::VLPrinterResolution> WaitForResolution(
    const std::shared_ptr<VLPrinterConnector> &connector) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kResolutionWaitMs);
  while (std::chrono::steady_clock::now() < deadline) {
    auto resolution = VLPrintCommon::getPrinterResolution(connector);
    if (resolution != nullptr && resolution->getDotsPerMM() > 0) {
      std::printf("Printer resolution: %s\n", resolution->toString().c_str());
      return resolution;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::printf("The printer did not report its resolution; printing without it.\n");
  return nullptr;
}

// What the paper leaves out of a picture wider than it; empty when nothing.
std::string ColumnsLeftOut(long long width, long long paper_dots) {
  if (paper_dots <= 0 || width <= paper_dots) return "";
  const long long lost = width - paper_dots;
  return "The picture is " + std::to_string(width) + " pixels wide, wider than the paper's " +
         std::to_string(paper_dots) + " dots: its last " + std::to_string(lost) +
         (lost == 1 ? " column does" : " columns do") + " not print.\n";
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
  const auto size = ReadPictureSize(options.image, error);
  if (!size) return Fail(1, error);
  const auto width = static_cast<long long>(size->width);
  const auto height = static_cast<long long>(size->height);
  // A picture whose raster alone is more than a job holds is not decoded: it makes no job, and
  // is named with what would fit once the paper is known.
  std::shared_ptr<velmora::platform::Image> image;
  if (velmora_print::RasterBytes(width, height) <= velmora_print::kJobLimitBytes) {
    image = velmora::platform::Image::fromFile(options.image);
    if (image == nullptr) {
      return Fail(1, options.image + ": a picture of " + std::to_string(width) + " x " +
                         std::to_string(height) +
                         " pixels that could not be decoded (damaged, or more than 65535 "
                         "pixels a side)");
    }
  }

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
  std::printf("Image: %s (%lld x %lld)\n", options.image.c_str(), width, height);
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
  const auto resolution = WaitForResolution(connector);
  velmora_print::JobSettings job;
  job.density = options.density;
  job.feed_mm = options.feed_mm;
  job.cut = options.cut;
  job.alignment = kCentred;
  if (resolution != nullptr) {
    job.width_mm = resolution->getWidthMM();
    job.dots_per_mm = resolution->getDotsPerMM();
  }
  const long long paper_dots = static_cast<long long>(job.width_mm) * job.dots_per_mm;
  const long long other_bytes = velmora_print::OtherCommandBytes(job);
  // Counted as the job will hold it: a picture that makes no job is not rendered (and one not
  // decoded above is among them).
  if (velmora_print::RasterBytes(width, height) + other_bytes > velmora_print::kJobLimitBytes) {
    connector->disconnectPrinter();
    return Fail(1, velmora_print::JobNotMadeAdvice(width, height, paper_dots, other_bytes));
  }
  std::printf("%s", ColumnsLeftOut(width, paper_dots).c_str());

  const auto result = VLPrintCommon::printImage(
      connector, image, kErrorDiffusion, kNoCompression, kPlainPaper, job.alignment, options.speed,
      job.density, false, job.feed_mm, job.cut, options.wait_ms);
  std::printf("%s", result->toString().c_str());
  connector->disconnectPrinter();
  connector.reset();
  // Not a byte was sent: the job could not be made.
  if (result->writeDataSize == 0) {
    return Fail(1, velmora_print::JobNotMadeAdvice(width, height, paper_dots, other_bytes));
  }

  if (virtual_printer != nullptr) {
    const std::string out = options.out.empty() ? DefaultPaperPath() : options.out;
    // The last bytes of the job may still be on their way to the printer.
    auto &printer = virtual_printer->printer();
    printer.WaitForReceivedSize(static_cast<std::size_t>(result->writeDataSize), kPaperWaitMs);
    const auto paper = velmora::vprinter::RenderReceivedToPng(printer.Received(), out,
                                                              virtual_printer->paper_dots());
    if (!paper) return Fail(1, "cannot save the virtual printer's paper as " + out);
    std::printf("The virtual printer's paper: %s (%d x %d dots)\n", out.c_str(), paper->dots.width,
                paper->dots.height);
  }
  return result->printResult ? 0 : 1;
}
