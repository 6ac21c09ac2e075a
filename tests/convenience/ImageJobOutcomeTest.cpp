// What the image print job reports when its job could not be made, when the printer has not told
// its dots per millimetre, and when the write of the job failed although the printer would
// still confirm a print.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "VirtualBlePrinter.h"
#include "ble/BasicWriteEngine.h"
#include "convenience/ConnectorSupport.h"
#include "support/Join.h"
#include "support/PortTest.h"
#include "support/Wait.h"
#include "velmora/ble_simulation.hpp"
#include "velmora/image.hpp"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::Image;

// The job of TwoRows with nothing else asked for.
const Bytes kTwoRowsJob = Join({kLeftAligned, kTwoRowsRaster});

std::shared_ptr<VLPrintResult> Print(const std::shared_ptr<VLPrinterConnector> &connector,
                                     const std::shared_ptr<Image> &image, Int binarization,
                                     Int speed, double feed, Int wait) {
  return VLPrintCommon::printImage(connector, image, binarization, 0, 0, 0, speed, -1, false, feed,
                                   0, wait);
}

using ImageJobOutcome = ConnectedPrinterTest;

TEST_F(ImageJobOutcome, AJobThatCannotBeMadeSendsNothingAndFails) {
  const auto connector = Connect();
  const size_t before = ReceivedSize();
  // No picture, and a method no picture can be made with: no speed command goes out alone, and
  // there is no print to wait for.
  for (const Int binarization : {Int{2}, Int{5}}) {
    const auto result = Print(connector, binarization == 2 ? nullptr : TwoRows(), binarization, 80,
                              0, LongTimeoutMs());
    EXPECT_FALSE(result->printResult) << binarization;
    EXPECT_EQ(result->settedPrintSpeed, 0);
    EXPECT_EQ(result->writeDataSize, 0);
  }
  EXPECT_EQ(ReceivedSince(connector, before), Bytes{});
  EXPECT_TRUE(printer.print_result->QueryIds().empty());
}

TEST_F(ImageJobOutcome, ZeroDotsPerMillimetreIsAnUnknownResolution) {
  printer.autoreply->SetResolution(72, 0, 0);
  const auto connector = Connect([](const VLPrinterResolution &r) { return r.getWidthMM() > 0; });
  const size_t before = ReceivedSize();
  const auto result = Print(connector, TwoRows(), 2, 0, 2.5, 0);
  EXPECT_TRUE(result->printResult);
  EXPECT_EQ(result->sourceImageHeight, 0) << "no height in millimetres";
  // No print area, and the feed at 8 dots per millimetre: 20 dots.
  Bytes expected = kTwoRowsJob;
  expected.insert(expected.end(), {0x1B, 0x4A, 20});
  EXPECT_EQ(ReceivedSince(connector, before), expected);
}

// A Bluetooth LE printer on the basic layout, whose writes are acknowledged one by one, so that
// single writes can be refused while the link stays up.
class BleImageJobOutcome : public PortTest {
 protected:
  void TearDown() override {
    connector_.reset();
    printer_.reset();
    ble_sim::RemoveAllPeripherals();
    ble_sim::RestoreRadioDefaults();
    PortTest::TearDown();
  }
  std::unique_ptr<vprinter::VirtualBlePrinter> printer_;
  std::shared_ptr<VLPrinterConnector> connector_;
};

TEST_F(BleImageJobOutcome, AFailedWriteIsAFailedJobWhateverThePrinterWouldConfirm) {
  printer_ = std::make_unique<vprinter::VirtualBlePrinter>(
      "Printer", std::array<std::uint8_t, 6>{0x00, 0x11, 0x22, 0x33, 0xBB, 0x01},
      std::vector<std::shared_ptr<ble_sim::PrinterService>>{
          std::make_shared<ble_sim::BasicPrinterService>()});
  const auto print_result = std::make_shared<vprinter::PrintResultBehaviour>();
  printer_->brain().AddBehaviour(print_result);
  connector_ = std::make_shared<VLPrinterConnector>();
  ASSERT_TRUE(connector_->connectPrinterSync(
      std::make_shared<VLPrinterDevice>("Printer", "btblewr", "00:11:22:33:BB:01")));
  // The print-result query waits only while automatic status keeps coming.
  ASSERT_TRUE(WaitUntil(
      [&] { return velmora::VP_Port_IsConnectionValid(connector_->getCurrentPrinterHandle()); }));

  // The job is one packet; the printer refuses it and each of its retries, and takes what comes
  // after, so it would confirm a print if asked.
  printer_->peripheral().RefuseWritesWithResponse(ble::BasicWriteEngine::kDefaultMaxRetry + 1);
  auto result = Print(connector_, TwoRows(), 2, 0, 0, LongTimeoutMs());
  EXPECT_FALSE(result->printResult);
  EXPECT_TRUE(print_result->QueryIds().empty()) << "a failed write is not waited for";
  const Bytes got = printer_->brain().Received();
  EXPECT_EQ(std::search(got.begin(), got.end(), kTwoRowsJob.begin(), kTwoRowsJob.end()), got.end())
      << "the printer took none of it";

  // The same job written whole is confirmed.
  result = Print(connector_, TwoRows(), 2, 0, 0, LongTimeoutMs());
  EXPECT_TRUE(result->printResult);
  EXPECT_EQ(print_result->QueryIds().size(), 1u);
}

}  // namespace
}  // namespace velmora::test
