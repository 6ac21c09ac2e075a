// One-call printer operations on a connector's current port, and the image print job. Every
// member reads the connector's handle once; with no open port (or no connector) each gives its
// failure value without reaching the printer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "velmora/convenience/print_result.hpp"
#include "velmora/convenience/printer_connector.hpp"
#include "velmora/convenience/printer_resolution.hpp"
#include "velmora/convenience/printer_status.hpp"
#include "velmora/image.hpp"
#include "velmora/module/types.hpp"

namespace velmora {

class VP_API VLPrintCommon {
 public:
  using Connector = std::shared_ptr<VLPrinterConnector>;

  // The most bytes of commands one image print job may hold (printImage sends no larger job).
  static constexpr Int kImageJobCapacity = 0x100000;

  VLPrintCommon() = default;

  // The printer's last reported status words; null when none is known.
  static std::shared_ptr<VLPrinterStatus> getPrinterStatus(const Connector &printerConnector);
  // The printer's reported paper width, height and dots per mm; null when none is known.
  static std::shared_ptr<VLPrinterResolution> getPrinterResolution(
      const Connector &printerConnector);
  static bool printSelfTestPage(const Connector &printerConnector);
  // Writes the whole buffer (10 s at most): the bytes written, or -1.
  static Int writeBuffer(const Connector &printerConnector,
                         const std::vector<std::uint8_t> &buffer);
  // The battery level, or -1 without an answer within 10 s.
  static Int queryPrinterBatteryLevel(const Connector &printerConnector);
  // The serial number, or none without an answer within 3 s.
  static std::optional<std::string> queryPrinterSerialNumber(const Connector &printerConnector);
  static bool VL_Proto_SetSystemNameAndSerialNumber(const Connector &printerConnector,
                                                    const std::string &systemName,
                                                    const std::string &serialNumber);
  static bool VL_Proto_SetBluetoothNameAndPassword(const Connector &printerConnector,
                                                   const std::string &bluetoothName,
                                                   const std::string &bluetoothPassword);
  static bool VL_Proto_SetPTPBasicParameters(const Connector &printerConnector, Int baudrate,
                                             Int codepage, Int density, Int asciiFontType,
                                             Int lineFeed, Int idleTime, Int powerOffTime,
                                             Int maxFeedLength, Int pageLength);
  static bool VL_Settings_Hardware_SetPrintSpeed(const Connector &printerConnector, Int nSpeed);
  // Sends a firmware image; progressBlock(total, sent) after each piece (may be empty).
  static bool VL_Settings_DownloadFirmware(const Connector &printerConnector,
                                           const std::vector<std::uint8_t> &firmware,
                                           const std::function<void(Int, Int)> &progressBlock);

  // Prints `image` as one raster picture, one pixel per dot, in a single write of the whole job
  // (3 minutes at most):
  //   binaryzationMethod  0 ordered dither, 1 mean threshold, 2 error diffusion
  //   compressionMethod   0 none, 1 line compression, 2 JBIG (T.85)
  //   paperType           2 label paper (picture framed by the label positioning commands),
  //                       3 black-mark paper (to the next mark afterwards), others plain
  //   printAlignment      0 left, 1 centre, 2 right
  //   printSpeed          mm/s sent in front of the job when above 0; on Bluetooth LE links
  //                       lowered (5..300 mm/s) so printing keeps pace with the link's rate.
  //                       The command carries 16 bits: a speed that is still above 65535 is
  //                       refused, not cut (the job is not sent; the record shows speed 0)
  //   printDensity        sent when within 0..15
  //   kickDrawer          pulses both cash drawer outputs first
  //   feedPaper           millimetres fed after the picture, when above 0
  //   cutPaper            1 full cut, 2 half cut, others none
  //   waitPrintFinished   when above 0, waits up to that many ms for the printer to confirm the
  //                       job has printed; that answer becomes the result
  // The picture prints one pixel per dot, so it should be at most as wide as the paper; its
  // transparent parts lie on white paper. The three method and alignment values must lie in
  // 0..4294967295. Always returns a record; a job that cannot be made (no image, no PNG form, a
  // value out of range, a speed refused as above, or more than 1 MiB of commands, as an
  // uncompressed picture of more than about 8 million dots makes) is not sent and reports
  // failure with 0 bytes written.
  // The job is made on a memory port of its own, opened and closed in every call that makes a job, so the
  // application's port event callbacks and closures get that port's opened, written and closed
  // events too: to count printer connections, pass over the opened events named "".
  static std::shared_ptr<VLPrintResult> printImage(const Connector &printerConnector,
                                                   const std::shared_ptr<platform::Image> &image,
                                                   Int binaryzationMethod, Int compressionMethod,
                                                   Int paperType, Int printAlignment,
                                                   Int printSpeed, Int printDensity,
                                                   bool kickDrawer, double feedPaper, Int cutPaper,
                                                   Int waitPrintFinished);

 private:
  static std::vector<std::uint8_t> getImagePrintCmd(const Connector &printerConnector,
                                                    const std::shared_ptr<platform::Image> &image,
                                                    Int binaryzationMethod, Int compressionMethod,
                                                    Int paperType, Int printAlignment,
                                                    Int printDensity, bool kickDrawer,
                                                    double feedPaper, Int cutPaper);
  // The model name of the machine this runs on.
  static std::string iosDeviceType();
  // Bytes per second a Bluetooth LE link from this machine carries.
  static Int getBleMaxSpeedInBytesPerSecond();
};

}  // namespace velmora
