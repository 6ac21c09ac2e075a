// The handle registry: limits, reference counting, and validation without dereferencing.
#include <gtest/gtest.h>

#include <vector>

#include "core/port/PtrAutoDeleteManager.h"
#include "support/PortTest.h"
#include "velmora/velmora.h"

namespace velmora::core {
namespace {

struct Tracked {
  explicit Tracked(int *deleted) : deleted(deleted) {}
  ~Tracked() { ++*deleted; }
  int *deleted;
};

TEST(PtrAutoDeleteManager, DeletesWithTheLastReferenceAndAClosedHandleFreesItsSlotAtOnce) {
  int deleted = 0;
  PtrAutoDeleteManager<Tracked, 3> registry;
  Tracked *objects[4];
  void *handles[4] = {};
  for (auto *&object : objects) object = new Tracked(&deleted);
  for (int i = 0; i < 3; ++i) ASSERT_NE(handles[i] = registry.Add(objects[i]), nullptr);
  EXPECT_EQ(registry.Add(objects[3]), nullptr);
  EXPECT_EQ(registry.Acquire(objects[0]), nullptr) << "the object's address is not its handle";

  Tracked *held = registry.Acquire(handles[1]);
  ASSERT_EQ(held, objects[1]);
  EXPECT_TRUE(registry.Retire(handles[1]));
  EXPECT_EQ(registry.Acquire(handles[1]), nullptr) << "a retired handle is invalid";
  EXPECT_FALSE(registry.Retire(handles[1])) << "only the first close succeeds";
  ASSERT_NE(handles[3] = registry.Add(objects[3]), nullptr)
      << "its slot is free while a call still holds it";
  EXPECT_NE(handles[3], handles[1]) << "and the closed handle stays closed";
  registry.Pin(held);  // a thread started by the holder keeps it alive too
  registry.Release(held);
  EXPECT_EQ(deleted, 0) << "a call still holds a reference";
  registry.Release(held);
  EXPECT_EQ(deleted, 1);
  for (void *handle : {handles[0], handles[2], handles[3]}) EXPECT_TRUE(registry.Retire(handle));
  EXPECT_EQ(deleted, 4);
  EXPECT_EQ(registry.Count(), 0u);
}

using PortRegistryTest = velmora::test::PortTest;

TEST_F(PortRegistryTest, HundredPortsAtOnceAndNotOneMore) {
  std::vector<void *> handles;
  for (int i = 0; i < 100; ++i) {
    void *h = VP_Port_OpenMemoryBuffer(16);
    ASSERT_NE(h, nullptr) << "open " << i;
    handles.push_back(h);
  }
  EXPECT_EQ(VP_Port_OpenMemoryBuffer(16), nullptr);

  // The registry keeps working: every port still answers, and a close frees a slot.
  for (void *h : handles) EXPECT_EQ(VP_Port_IsOpened(h), 1);
  ASSERT_EQ(VP_Port_Close(handles.back()), 1);
  handles.pop_back();
  void *again = VP_Port_OpenMemoryBuffer(16);
  ASSERT_NE(again, nullptr);
  handles.push_back(again);
  for (void *h : handles) EXPECT_EQ(VP_Port_Close(h), 1);
}

TEST_F(PortRegistryTest, UnknownAndClosedHandlesAreRejectedWithFailureValues) {
  // A made-up pointer: unmapped memory would crash (and ASan would report) if dereferenced.
  void *made_up = reinterpret_cast<void *>(uintptr_t{0xdead0000});
  int on_stack = 0;
  void *foreign = &on_stack;
  void *h = VP_Port_OpenMemoryBuffer(16);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(VP_Port_Close(h), 1);

  unsigned char byte = 0;
  for (void *bad : {static_cast<void *>(nullptr), made_up, foreign, h}) {
    EXPECT_EQ(VP_Port_Write(bad, &byte, 1, 100), -1);
    EXPECT_EQ(VP_Port_Read(bad, &byte, 1, 10), -1);
    EXPECT_EQ(VP_Port_ReadUntilByte(bad, &byte, 1, 10, 0), -1);
    EXPECT_EQ(VP_Port_Available(bad), -1);
    EXPECT_EQ(VP_Port_SkipAvailable(bad), 0);
    EXPECT_EQ(VP_Port_IsOpened(bad), 0);
    EXPECT_EQ(VP_Port_IsConnectionValid(bad), 0);
    EXPECT_EQ(VP_Port_Close(bad), 0);
    EXPECT_EQ(VP_Port_GetMemoryBufferDataPointer(bad), nullptr);
    EXPECT_EQ(VP_Port_GetMemoryBufferDataLength(bad), 0u);
    EXPECT_EQ(VP_Port_ClearMemoryBufferData(bad), 0);
  }
}

}  // namespace
}  // namespace velmora::core
