#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using Bytes = std::vector<uint8_t>;

class DeviceProtocol : public StatusPrinterTest {
 protected:
  void SetUp() override { h = Open(0); }
  void *h = nullptr;
};

TEST_F(DeviceProtocol, BatteryLevel) {
  EXPECT_EQ(VP_Proto_QueryBatteryLevel(h, 3000), 87);
  printer->device->SetAnswerData(0x56, Bytes{'B', 'A', 'T', ':', ' ', '-', '4', '2', 'x'});
  EXPECT_EQ(VP_Proto_QueryBatteryLevel(h, 3000), -42);
  // A long answer without any terminator is read within its buffer; a number too big for an
  // int is clamped, not taken for a failure.
  printer->device->SetAnswerData(0x56, Bytes(400, '7'));
  EXPECT_EQ(VP_Proto_QueryBatteryLevel(h, 3000), std::numeric_limits<int>::max());
  const auto asked = printer->device->Packages();  // each answered, so received
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(std::tuple(asked[0].address, asked[0].command, asked[0].parameter, asked[0].data),
            std::tuple(0xFF, 0x3F, 0x56u, Bytes{}));
}

TEST_F(DeviceProtocol, AFalseHeaderCostsOneSlowAnswerAtMost) {
  // A header that announces 65535 data bytes which never come.
  printer->tcp.Send({0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x03});
  EXPECT_EQ(VP_Proto_QueryBatteryLevel(h, 10000), 87) << "found again once the header expired";
  EXPECT_EQ(VP_Proto_QueryBatteryLevel(h, 3000), 87);
}

TEST_F(DeviceProtocol, SerialNumberAnswersAreCopiedAsSent) {
  // The result, and the buffer up to one byte past what was copied.
  const auto query = [&](const Bytes &answer, unsigned int length, unsigned int timeout = 3000) {
    printer->device->SetAnswerData(0x4E, answer);
    std::string buffer(300, '#');
    const int n = VP_Proto_QuerySerialNumber(h, buffer.data(), length, timeout);
    return std::to_string(n) + ":" + buffer.substr(0, std::max(n, 0) + 1);
  };
  EXPECT_EQ(query({'S', 'N', '7'}, 256), "3:SN7#");  // no terminator of our own
  EXPECT_EQ(query({'A', 'B', 0, 'C', 'D'}, 256), std::string("5:AB\0CD#", 8));
  EXPECT_EQ(query(Bytes(256, 'z'), 256), "256:" + std::string(256, 'z') + "#");
  EXPECT_EQ(query(Bytes(256, 'z'), 10), "10:zzzzzzzzzz#");  // cut to the buffer
  EXPECT_EQ(query({}, 256), "0:#");
  printer->device->SetAnswering(false);
  EXPECT_EQ(query({}, 256, 300), "-1:#");
}

TEST_F(DeviceProtocol, QueriesEndWhenThePortCloses) {
  printer->device->SetAnswering(false);
  auto query = std::async(std::launch::async,
                          [this] { return VP_Proto_QueryBatteryLevel(h, LongTimeoutMs()); });
  ASSERT_TRUE(WaitUntil([&] { return !printer->device->Packages().empty(); }));
  printer->tcp.CloseConnections();
  ASSERT_EQ(query.wait_for(std::chrono::milliseconds(ScaledMs(5000))), std::future_status::ready)
      << "ended by the close, not by its timeout";
  EXPECT_EQ(query.get(), -1);
}

TEST_F(DeviceProtocol, SettingsGoOutAsOnePackageEach) {
  const std::string name(100, 'n'), serial(154, 's');  // 100 + 1 + 154 + 1 = 256
  // Refused, never sent: name pairs over 256 bytes.
  EXPECT_EQ(VP_Proto_SetSystemNameAndSerialNumber(h, name.c_str(), (serial + "s").c_str()), 0);
  EXPECT_EQ(VP_Proto_SetBluetoothNameAndPassword(h, (name + serial + "xx").c_str(), ""), 0);
  EXPECT_EQ(VP_Proto_SetBluetoothNameAndPassword(h, nullptr, ""), 0);
  ASSERT_EQ(VP_Proto_SetSystemNameAndSerialNumber(h, name.c_str(), serial.c_str()), 1);
  ASSERT_EQ(VP_Proto_SetBluetoothNameAndPassword(h, "VP-80", "0000"), 1);
  ASSERT_EQ(VP_Proto_SetPTPBasicParameters(h, 115200, 0x15, 2, 1, 30, 300, 1800, 500, 0x1234), 1);
  ASSERT_EQ(VP_Settings_Hardware_SetPrintSpeed(h, -2), 1);

  const std::string system = name + '\0' + serial + '\0';
  const Bytes basic = {0x00, 0x01, 0xC2, 0x00, 0x15, 0x02, 0x01, 0x1E,
                       0x2C, 0x01, 0x08, 0x07, 0xF4, 0x01, 0x34, 0x12};
  Bytes only_speed = {0x01, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF};
  only_speed.resize(36);                                  // the seven other functions carry 0
  using Package = std::tuple<uint16_t, uint32_t, Bytes>;  // command, parameter, data
  const std::vector<Package> expected = {
      {0x64, 0, Bytes(system.begin(), system.end())},
      {0x61, 0, {'V', 'P', '-', '8', '0', 0, '0', '0', '0', '0', 0}},
      {0x60, 0, basic},
      {0x62, 0, only_speed}};
  ASSERT_TRUE(WaitUntil([&] { return printer->device->Packages().size() >= expected.size(); }));
  std::vector<Package> got;
  for (const auto &p : printer->device->Packages()) {
    got.emplace_back(p.command, p.parameter, p.data);
  }
  EXPECT_EQ(got, expected);
}

TEST_F(DeviceProtocol, FirmwareVersionIsAskedAtAnAutoReplyOpenAndCached) {
  h = Open(1);
  unsigned int needed = 0;
  ASSERT_TRUE(WaitUntil([&] {
    return VP_Printer_GetPrinterFirmwareVersion(h, nullptr, 0, &needed) == 1 && needed > 1;
  }));
  EXPECT_EQ(needed, 12u);
  char buffer[8] = "#######";
  ASSERT_EQ(VP_Printer_GetPrinterFirmwareVersion(h, buffer, 5, nullptr), 1);
  EXPECT_EQ(std::string(buffer, 6), std::string("VP-8\0#", 6)) << "cut to the buffer";
  // The version package still reaches the reader as received data.
  EXPECT_GT(VP_Port_Available(h), 0);
}

}  // namespace
}  // namespace velmora::test
