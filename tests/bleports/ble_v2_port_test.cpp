// Protocol V2 ports whose printer's frames go astray.
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>

#include "BlePortTest.h"
#include "ble/WriteTimeUp.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

namespace sim = ble_sim;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The printer holds the whole text but its received count is lost on the way: a print call with
// the port's hour-long default timeout fails soon after the printer's last frame instead of
// blocking, the port closes, and a new port prints.
TEST_F(BlePortTest, LongAV2PrintWhoseCountIsLostFailsSoonAfterThePrintersLastFrame) {
  auto v2 = std::make_shared<sim::ProtoV2PrinterService>();
  auto &printer = Place({v2});
  void *handle = Keep(VP_Port_OpenBtBleProtoV2(address(), 0));
  ASSERT_NE(handle, nullptr);
  auto last_frame =
      std::make_shared<std::atomic<Clock::rep>>(Clock::now().time_since_epoch().count());
  printer.peripheral().SetNotificationFilter(
      [last_frame](uint64_t, const std::string &, const uint8_t *data, size_t count) {
        const bool received_count = count >= 3 && data[0] == 0x00 && data[2] == 0x05;
        if (!received_count) last_frame->store(Clock::now().time_since_epoch().count());
        return sim::NotificationFate{received_count, 0};
      });
  const char *text = "One receipt, printed once.\n";
  auto print = std::async(std::launch::async, [&] { return VP_Pos_PrintText(handle, text); });
  // The write stops waiting after the printer's silence and settles; what is left is the link's
  // way to the host and back.
  const int most_past = ble::WriteTimeUp::kSilenceMs + ble::WriteTimeUp::kSettleMs + ScaledMs(1000);
  const bool returned =
      print.wait_for(milliseconds(most_past + ScaledMs(5000))) == std::future_status::ready;
  const auto end = Clock::now();
  // A call still blocked is let go by the link's end, so that the test fails instead of hanging.
  if (!returned) printer.peripheral().DropLink();
  EXPECT_TRUE(returned) << "the print call still blocks";
  EXPECT_EQ(print.get(), 0);
  const auto past = end - Clock::time_point(Clock::duration(last_frame->load()));
  EXPECT_LE(std::chrono::duration_cast<milliseconds>(past).count(), most_past);
  EXPECT_EQ(v2->Accepted(), sim::Bytes(text, text + std::strlen(text)));
  ASSERT_TRUE(events_.WaitForCount("closed", 1));
  EXPECT_EQ(VP_Port_IsOpened(handle), 0);

  printer.peripheral().SetNotificationFilter(nullptr);
  ASSERT_TRUE(printer.peripheral().WaitForConnected(false, 5000));
  v2->ClearAccepted();
  void *again = Keep(VP_Port_OpenBtBleProtoV2(address(), 0));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(VP_Pos_PrintText(again, text), 1);
  EXPECT_EQ(v2->Accepted(), sim::Bytes(text, text + std::strlen(text)));
}

}  // namespace
}  // namespace velmora::test
