// The receive pool and the V2 frame assembler: the pieces that outside bytes go through first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BleTest.h"
#include "ble/BLERWProtoV2Handler.h"
#include "ble/BufferPool.h"
#include "ble/PrinterAddress.h"

namespace velmora::test {
namespace {

using ble::BLERWProtoV2Handler;
using ble::BufferPool;

class BufferPoolTest : public BleTest {};

TEST_F(BufferPoolTest, KeepsOrderAcrossTheWrapAndNeverOverwritesUnreadBytes) {
  BufferPool pool(8);
  EXPECT_TRUE(pool.isEmpty());
  EXPECT_EQ(pool.getByte(), 0);  // empty: nothing taken
  for (uint8_t b = 1; b <= 6; ++b) pool.putByte(b);
  for (uint8_t b = 1; b <= 4; ++b) EXPECT_EQ(pool.getByte(), b);
  // Wraps: 2 unread + 6 new fill the pool exactly; the next bytes are dropped.
  const std::vector<uint8_t> more{7, 8, 9, 10, 11, 12, 13, 14};
  EXPECT_EQ(pool.put(more.data(), more.size()), 6u);
  EXPECT_EQ(pool.droppedCount(), 2u);
  std::vector<uint8_t> out;
  while (!pool.isEmpty()) out.push_back(pool.getByte());
  EXPECT_EQ(out, (std::vector<uint8_t>{5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_F(BufferPoolTest, LogsOncePerFullEpisodeAndClearEmpties) {
  BufferPool pool(2);
  const std::vector<uint8_t> bytes{1, 2, 3, 4, 5};
  pool.put(bytes.data(), bytes.size());
  pool.putByte(6);
  EXPECT_EQ(log_->CountPrefix("BufferPool full"), 1u);
  pool.getByte();  // room again: the episode ends
  pool.put(bytes.data(), bytes.size());
  EXPECT_EQ(log_->CountPrefix("BufferPool full"), 2u);
  EXPECT_EQ(pool.droppedCount(), 8u);
  pool.clear();
  EXPECT_TRUE(pool.isEmpty());
  EXPECT_EQ(pool.available(), 0u);
}

// Feeds bytes and returns the frames the assembler completed.
std::vector<std::vector<uint8_t>> Frames(BLERWProtoV2Handler &handler,
                                         const std::vector<uint8_t> &bytes) {
  std::vector<std::vector<uint8_t>> frames;
  for (uint8_t b : bytes) {
    if (handler.HandleReceivedData(b)) {
      frames.emplace_back(handler.GetReceivedData(),
                          handler.GetReceivedData() + handler.GetReceivedLen());
      handler.ResetReceived();
    }
  }
  return frames;
}

TEST_F(BufferPoolTest, AssemblerCompletesDataAndControlFramesAcrossChunks) {
  BLERWProtoV2Handler handler;
  auto frames = Frames(handler, {0x05, 0x00, 0x00, 'A'});
  EXPECT_TRUE(frames.empty());
  frames = Frames(handler, {'B', 0x00, 0x0A, 0x05, 0x03, 0x00, 0, 0, 0, 0, 0, 0x00, 0x02});
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0], (std::vector<uint8_t>{0x05, 0x00, 0x00, 'A', 'B'}));
  EXPECT_EQ(frames[1].size(), 10u);
  EXPECT_EQ(frames[2], (std::vector<uint8_t>{0x00, 0x02}));
}

TEST_F(BufferPoolTest, AssemblerRestartsAfterALengthByteBelowTwo) {
  BLERWProtoV2Handler handler;
  // 01: no frame; 00 00 and 00 01: no control frame. The frame after them is intact.
  auto frames = Frames(handler, {0x01, 0x00, 0x00, 0x00, 0x01, 0x04, 0x00, 0x00, 'Z'});
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], (std::vector<uint8_t>{0x04, 0x00, 0x00, 'Z'}));
}

TEST_F(BufferPoolTest, AssemblerStaysInsideItsBufferWhenNeverReset) {
  BLERWProtoV2Handler handler;
  int completed = 0;
  for (int i = 0; i < 2000; ++i) completed += handler.HandleReceivedData(0x03) ? 1 : 0;
  EXPECT_LE(handler.GetReceivedLen(), BLERWProtoV2Handler::kFrameCapacity);
  EXPECT_GT(completed, 0);
}

TEST_F(BufferPoolTest, PrinterAddressComesFromQzManufacturerData) {
  using ble::PrinterAddressFromManufacturerData;
  using B = std::vector<uint8_t>;
  EXPECT_EQ(PrinterAddressFromManufacturerData(B{0x51, 0x5A, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}),
            "00:11:22:33:44:55");
  EXPECT_EQ(PrinterAddressFromManufacturerData(
                B{0x51, 0x5A, 0xAB, 0xCD, 0xEF, 0x01, 0x02, 0x03, 0x99, 0x98}),
            "AB:CD:EF:01:02:03");
  EXPECT_EQ(PrinterAddressFromManufacturerData(B{0x51, 0x5A, 0x00, 0x11, 0x22, 0x33, 0x44}),
            std::nullopt);
  EXPECT_EQ(PrinterAddressFromManufacturerData(B{0x5A, 0x51, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}),
            std::nullopt);
  EXPECT_EQ(PrinterAddressFromManufacturerData(std::nullopt), std::nullopt);
}

}  // namespace
}  // namespace velmora::test
