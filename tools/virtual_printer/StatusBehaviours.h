#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

#include "CommandScanner.h"
#include "VirtualPrinter.h"

namespace velmora::vprinter {

// Answers the real-time status requests DLE EOT 1..4 with one byte each (docs/protocol.md).
class RealTimeStatusBehaviour final : public PrinterBehaviour {
 public:
  // Idle, on-line printer: drawer sensor set, nothing wrong.
  static constexpr std::array<uint8_t, 4> kOnline = {0x16, 0x12, 0x12, 0x12};
  static constexpr uint8_t kOffline = 0x08;
  static constexpr uint8_t kNoPaper = 0x20;   // byte 2
  static constexpr uint8_t kNearEnd = 0x08;   // byte 4
  static constexpr uint8_t kTakenOut = 0x04;  // byte 4

  RealTimeStatusBehaviour();

  // The byte answered to DLE EOT n (1..4).
  void SetAnswer(int n, uint8_t byte);
  void SetOffline(bool offline);
  void SetPaperOut(bool out);
  void SetPaperNearEnd(bool near_end);
  // A printer that stays silent.
  void SetAnswering(bool answering);
  // A slow printer: each answer, as it stood when asked, goes out this long after its request.
  void SetAnswerDelayMs(int delay_ms);
  // A link whose delay jumps: the next answers go out these delays after their requests, in
  // turn; after them the delay above holds again.
  void SetNextAnswerDelaysMs(std::deque<int> delays_ms);
  // A printer busy while answers are on their way: requests that come meanwhile (in a later
  // chunk) go unanswered.
  void SetIgnoringWhileAnswering(bool ignoring);
  // How many DLE EOT n requests arrived.
  size_t RequestCount(int n) const;

  void OnReceived(VirtualPrinter &printer, const uint8_t *data, size_t count,
                  const Reply &reply) override;
  void OnTick(VirtualPrinter &printer, const Reply &send) override;

 private:
  void SetBit(int n, uint8_t bit, bool on);

  mutable std::mutex mutex_;
  std::array<uint8_t, 4> answers_ = kOnline;
  std::array<size_t, 4> requests_{};
  bool answering_ = true;
  int delay_ms_ = 0;
  std::deque<int> next_delays_ms_;
  bool ignoring_while_answering_ = false;
  bool busy_ = false;
  CommandScanner scanner_;
  Bytes pending_;
  std::deque<std::pair<int64_t, uint8_t>> delayed_;  // when due, and the answer
};

// Answers GS ( H print-result queries once everything received before them is "printed". While
// printing is held, replies wait and go out in order when it resumes.
class PrintResultBehaviour final : public PrinterBehaviour {
 public:
  PrintResultBehaviour();

  void SetPrintingHeld(bool held);
  void SetAnswering(bool answering);
  // The ids of every query received, in order.
  std::vector<uint8_t> QueryIds() const;

  void OnReceived(VirtualPrinter &printer, const uint8_t *data, size_t count,
                  const Reply &reply) override;
  void OnTick(VirtualPrinter &printer, const Reply &send) override;

 private:
  static Bytes ReplyFor(uint8_t id) { return {0x37, 0x22, id, 0x00, 0x00, 0x00, 0x00}; }

  mutable std::mutex mutex_;
  bool held_ = false;
  bool answering_ = true;
  std::vector<uint8_t> ids_;
  std::deque<uint8_t> waiting_;
  Bytes ready_;
  CommandScanner scanner_;
};

// Sends automatic status packets once the host switched them on (or SetEnabled): status words
// at a steady pace and on change, the received-byte count when it changed, printed pages,
// resolution and label position adjustments (docs/protocol.md).
class AutoReplyBehaviour final : public PrinterBehaviour {
 public:
  static Bytes Packet(uint8_t type, const std::array<uint8_t, 5> &data);

  AutoReplyBehaviour();

  void SetEnabled(bool enabled);
  bool enabled() const;
  // Pauses every packet (a printer that stopped reporting), without forgetting the state.
  void SetSilent(bool silent);
  void SetPeriodMs(int period_ms);
  void SetStatus(uint16_t error_status, uint16_t info_status);
  void SetResolution(uint8_t width_mm, uint8_t height_mm, uint8_t dots_per_mm);
  void SetLabelAdjustment(int16_t print_dots, int16_t tear_dots);
  void ReportPrintedPage(uint32_t page_id);
  // How many status packets went out so far.
  size_t StatusPacketsSent() const;
  // The label adjustments the host last set, in dots.
  std::array<int16_t, 2> LabelAdjustment() const;

  void OnReceived(VirtualPrinter &printer, const uint8_t *data, size_t count,
                  const Reply &reply) override;
  void OnTick(VirtualPrinter &printer, const Reply &send) override;

 private:
  void MarkAllChanged();

  mutable std::mutex mutex_;
  bool enabled_ = false;
  bool silent_ = false;
  int period_ms_ = 1000;
  int64_t last_status_ms_ = 0;
  uint16_t error_status_ = 0;
  uint16_t info_status_ = 0x40 | 0x80;  // print idle, receive idle
  uint8_t width_mm_ = 80;
  uint8_t height_mm_ = 0;
  uint8_t dots_per_mm_ = 8;
  int16_t label_print_dots_ = 0;
  int16_t label_tear_dots_ = 0;
  uint32_t received_count_ = 0;
  uint32_t reported_count_ = 0;
  bool status_changed_ = false;
  bool resolution_changed_ = false;
  bool label_changed_ = false;
  std::deque<uint32_t> printed_pages_;
  size_t status_sent_ = 0;
  CommandScanner scanner_;
};

}  // namespace velmora::vprinter
