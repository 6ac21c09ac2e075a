#include "VirtualReceiptPrinter.h"

#include "StatusBehaviours.h"

namespace velmora_print {
namespace {

using velmora::VLPrinterDevice;
namespace vprinter = velmora::vprinter;
namespace ble_sim = velmora::ble_sim;

constexpr uint16_t kTcpPort = 9100;  // where the connector looks for a network printer
constexpr std::array<uint8_t, 6> kBleAddress = {0x02, 0x56, 0x4C, 0x50, 0x52, 0x54};
constexpr const char *kBleAddressText = "02:56:4C:50:52:54";

// An 80 mm printer with 8 dots per millimetre.
constexpr int kPaperMm = 80;
constexpr int kDotsPerMm = 8;

void SetResolution(vprinter::AutoReplyBehaviour &autoreply) {
  autoreply.SetResolution(kPaperMm, 0, kDotsPerMm);
}

}  // namespace

std::unique_ptr<VirtualReceiptPrinter> VirtualReceiptPrinter::StartTcp() {
  std::unique_ptr<VirtualReceiptPrinter> self(new VirtualReceiptPrinter());
  self->tcp_ = std::make_unique<vprinter::VirtualTcpPrinter>();
  auto autoreply = std::make_shared<vprinter::AutoReplyBehaviour>();
  SetResolution(*autoreply);
  auto &printer = self->tcp_->printer();
  printer.AddBehaviour(autoreply);
  printer.AddBehaviour(std::make_shared<vprinter::PrintResultBehaviour>());
  printer.AddBehaviour(std::make_shared<vprinter::RealTimeStatusBehaviour>());
  if (!self->tcp_->StartOnOwnLoopbackAddress(kTcpPort)) return nullptr;
  self->device_ =
      std::make_shared<VLPrinterDevice>("virtual printer", "tcp", self->tcp_->address());
  return self;
}

// The negotiating port picks protocol V3, the one this printer offers.
std::unique_ptr<VirtualReceiptPrinter> VirtualReceiptPrinter::StartBle() {
  std::unique_ptr<VirtualReceiptPrinter> self(new VirtualReceiptPrinter());
  self->ble_ = std::make_unique<vprinter::VirtualBlePrinter>(
      "Virtual Printer", kBleAddress,
      std::vector<std::shared_ptr<ble_sim::PrinterService>>{
          std::make_shared<ble_sim::ProtoV3PrinterService>()});
  SetResolution(self->ble_->autoreply());
  self->ble_->brain().AddBehaviour(std::make_shared<vprinter::PrintResultBehaviour>());
  self->device_ = std::make_shared<VLPrinterDevice>("Virtual Printer", "btbleva", kBleAddressText);
  return self;
}

std::string VirtualReceiptPrinter::where() const {
  if (tcp_ != nullptr) return "listening on " + tcp_->address() + ":" + std::to_string(kTcpPort);
  return std::string("in range of the simulated Bluetooth LE radio as ") + kBleAddressText;
}

int VirtualReceiptPrinter::paper_dots() const {
  return kPaperMm * kDotsPerMm;
}

vprinter::VirtualPrinter &VirtualReceiptPrinter::printer() {
  return tcp_ != nullptr ? tcp_->printer() : ble_->brain();
}

}  // namespace velmora_print
