// The image print job: the whole job rendered first, then sent in one write, timed, and
// optionally confirmed by the printer.
#include <chrono>

#include "velmora/convenience/ImagePrintJob.h"
#include "velmora/convenience/TextEquality.h"
#include "velmora/convenience/print_common.hpp"
#include "velmora/module/port.hpp"
#include "velmora/module/pos_status.hpp"

namespace velmora {
namespace {

constexpr Int kJobWriteTimeoutMs = 180000;

}  // namespace

std::vector<std::uint8_t> VLPrintCommon::getImagePrintCmd(
    const Connector &printerConnector, const std::shared_ptr<platform::Image> &image,
    Int binaryzationMethod, Int compressionMethod, Int paperType, Int printAlignment,
    Int printDensity, bool kickDrawer, double feedPaper, Int cutPaper) {
  const auto png =
      image != nullptr ? image->pngRepresentation() : std::optional<std::vector<std::uint8_t>>();
  const auto resolution = getPrinterResolution(printerConnector);
  detail::ImageJobSettings settings;
  settings.binaryzationMethod = binaryzationMethod;
  settings.compressionMethod = compressionMethod;
  settings.paperType = paperType;
  settings.printAlignment = printAlignment;
  settings.printDensity = printDensity;
  settings.kickDrawer = kickDrawer;
  settings.feedPaper = feedPaper;
  settings.cutPaper = cutPaper;
  return detail::RenderImageJob(png, resolution.get(), settings);
}

std::shared_ptr<VLPrintResult> VLPrintCommon::printImage(
    const Connector &printerConnector, const std::shared_ptr<platform::Image> &image,
    Int binaryzationMethod, Int compressionMethod, Int paperType, Int printAlignment,
    Int printSpeed, Int printDensity, bool kickDrawer, double feedPaper, Int cutPaper,
    Int waitPrintFinished) {
  auto result = std::make_shared<VLPrintResult>();
  const Int handle = printerConnector != nullptr ? printerConnector->getCurrentPrinterHandle() : 0;
  const auto device =
      printerConnector != nullptr ? printerConnector->getCurrentPrinterDevice() : nullptr;

  const auto resolution = getPrinterResolution(printerConnector);
  if (resolution != nullptr && resolution->getDotsPerMM() > 0 && image != nullptr) {
    result->sourceImageHeight =
        image->size().height / static_cast<double>(resolution->getDotsPerMM());
  }

  std::vector<std::uint8_t> job =
      getImagePrintCmd(printerConnector, image, binaryzationMethod, compressionMethod, paperType,
                       printAlignment, printDensity, kickDrawer, feedPaper, cutPaper);
  // Nothing could be rendered: there is nothing to send, and nothing was printed.
  if (job.empty()) return result;

  if (printSpeed > 0) {
    Int speed = printSpeed;
    if (device != nullptr && detail::TextHasPrefix(device->port_type, "btble")) {
      speed = detail::LinkLimitedPrintSpeed(printSpeed, result->sourceImageHeight, job.size(),
                                            getBleMaxSpeedInBytesPerSecond());
    }
    // Cut to the command's 16 bits it would be another speed (65536 would go out as 0): such a
    // job is not sent, and the record names no speed.
    if (speed > detail::kMaxPrintSpeed) return result;
    const auto command = detail::PrintSpeedCommand(speed);
    job.insert(job.begin(), command.begin(), command.end());
    result->settedPrintSpeed = speed;
  }

  const auto start = std::chrono::steady_clock::now();
  const Int written =
      velmora::VP_Port_Write(handle, job, static_cast<Int>(job.size()), kJobWriteTimeoutMs);
  const std::chrono::duration<double, std::milli> elapsed =
      std::chrono::steady_clock::now() - start;
  result->printResult = written == static_cast<Int>(job.size());
  result->writeDataSize = static_cast<Int>(job.size());
  result->writeTimeUsed = elapsed.count();
  if (result->writeDataSize > 0 && result->writeTimeUsed > 0) {
    result->writeDataSpeed =
        static_cast<double>(result->writeDataSize) / result->writeTimeUsed / 1024 * 1000;
  }
  // The printer's confirmation covers what it received: it says nothing for a job that was
  // not written whole, which stays a failure.
  if (waitPrintFinished > 0 && result->printResult) {
    result->printResult = velmora::VP_Pos_QueryPrintResult(handle, waitPrintFinished);
  }
  return result;
}

}  // namespace velmora
