// The receive path's schedules (tests/support/ReceiveSchedule.h) chosen by the input, run on a
// port whose printer answers at once, on a clock the schedule moves: every read, query and
// record must be what the model says, as in the loopback schedule test.
//
// Input: the schedule's choices.
#include <memory>
#include <string>

#include "FuzzHarness.h"
#include "core/printer/PrinterQueries.h"
#include "support/ReceiveSchedule.h"
#include "velmora/vp_common.h"

namespace {

using velmora::core::IOHandle;
using velmora::fuzz::Require;
using namespace velmora::test::schedule;

// The printer's side: what the port writes is answered at once, on the receive path.
class Printer final : public velmora::core::NZIOBase {
 public:
  IOHandle *port = nullptr;
  int64_t now = 0;
  Bytes serial;
  uint8_t answer4 = 0x12;
  bool open = true;

  bool IsOpened() const override { return open; }
  int Write(const uint8_t *data, uint32_t count, uint32_t) override {
    Send(count == 12 && data[0] == 0x10 ? StatusAnswers(answer4)
                                        : DeviceAnswer(kSerialNumber, serial));
    return static_cast<int>(count);
  }
  void Close() override { open = false; }
  void Send(const Bytes &bytes) { port->receiver().Receive(bytes.data(), bytes.size(), ++now); }
};

void Check(IOHandle &port, const Model &model) {
  std::lock_guard<std::mutex> lock(port.autoreply().mutex);
  Require(port.autoreply().error_status == model.error());
  Require(port.proto_packages().FirmwareVersion() == model.firmware());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Choices choices(data, size);
  const std::vector<Step> steps = Generate(choices);
  if (!Simulate(steps).Fair()) return 0;
  auto transport = std::make_unique<Printer>();
  Printer &printer = *transport;
  IOHandle port(VP_PORT_TYPE_TCP, "fuzz", std::move(transport), true);
  printer.port = &port;
  Model model;
  printer.Send(DeviceAnswer(kFirmwareVersion, Model::Text(kOpeningFirmware)));
  const auto hold = [&] { port.receiver().Idle(printer.now += 500); };
  for (const Step &step : steps) {
    switch (step.action) {
      case Step::kSend:
        printer.Send(step.bytes);
        model.Sent(step);
        break;
      case Step::kPause:
        printer.now += static_cast<int64_t>(step.count);
        break;
      case Step::kSettle:
        hold();
        model.Settled();
        break;
      case Step::kRead: {
        const Bytes want = model.Take(step.count);
        // A reader waits for held bytes as long as the hold bound.
        if (port.rx().Available() < want.size()) hold();
        Bytes got;
        for (uint8_t b = 0; got.size() < want.size() && port.rx().TakeByte(b);) got.push_back(b);
        Require(got == want);
        break;
      }
      case Step::kSkip:
        port.rx().Discard();
        model.Discarded(false);
        break;
      case Step::kQuery:
      case Step::kLateQuery: {
        printer.answer4 = step.answer4;
        const Bytes answers = StatusAnswers(step.answer4);
        const int want = answers[0] | answers[1] << 8 | answers[2] << 16 | answers[3] << 24;
        Require(velmora::core::QueryRealTimeStatus(port, 60000) == want);
        model.Discarded(true);
        model.Answered(answers, false);
        if (step.action == Step::kLateQuery) {
          printer.Send(answers);  // the answers to a request it had asked twice
          model.Answered(answers, true);
        }
        break;
      }
      case Step::kSerialQuery: {
        printer.serial = step.bytes;
        const auto answer = velmora::core::QueryDevice(port, kSerialNumber, 60000);
        Require(answer && answer->data == step.bytes);
        model.Answered(DeviceAnswer(kSerialNumber, step.bytes), true);
        break;
      }
      case Step::kHangUp:
        printer.open = false;
        port.receiver().Finish();
        model.Settled();
        break;
    }
    Check(port, model);
  }
  hold();
  Require(port.rx().Available() == 0);
  return 0;
}
