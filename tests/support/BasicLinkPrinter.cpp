#include "support/BasicLinkPrinter.h"

namespace velmora::test {

bool BasicLinkPrinter::OnWrite(const uint8_t *data, size_t count, bool with_response) {
  if (with_response && refuse && refuse(requests_++)) return false;
  using Kind = ble_sim::BasicLayoutReceiver::Kind;
  const auto taken = receiver.Take(data, count, with_response);
  if (taken.kind == Kind::IndexRequest && answer_requests) {
    link->Notify(0, {0x10, 0x07, 0xFF, receiver.ReportedIndex()});
  } else if (taken.kind == Kind::OutOfSequence) {
    ++out_of_sequence;
  } else if (taken.kind == Kind::Data) {
    held.insert(held.end(), taken.data, taken.data + taken.count);
  }
  return true;
}

}  // namespace velmora::test
