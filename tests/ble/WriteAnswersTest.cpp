// Answers to writes with response, each matched to its own write.
#include <gtest/gtest.h>

#include "ble/WriteAnswers.h"

namespace velmora::test {
namespace {

using ble::WriteAnswers;

// A write whose answer the old link never gave owes nothing on a new one: the new link's first
// answer is its own first write's.
TEST(WriteAnswersTest, ANewLinkStartsWithNoAnswerOwed) {
  WriteAnswers answers;
  answers.Sent();
  answers.Restart();
  const uint64_t write = answers.Sent();
  answers.Received(true);
  EXPECT_FALSE(answers.LatestPending());
  EXPECT_EQ(answers.ResultOf(write, 5, WriteAnswers::Clock::now(), [] { return true; }), 5);
}

}  // namespace
}  // namespace velmora::test
