#include "support/BasicLinkPrinter.h"

namespace velmora::test {
namespace {
bool IsCommand(const uint8_t *data, size_t count, uint8_t last) {
  return count == 5 && data[0] == 0x10 && data[1] == 0x07 && data[2] == 0x01 && data[3] == 0x00 &&
         data[4] == last;
}
}  // namespace

bool BasicLinkPrinter::OnWrite(const uint8_t *data, size_t count, bool with_response) {
  if (with_response && refuse && refuse(requests_++)) return false;
  if (with_response && IsCommand(data, count, 0x01)) {
    session = true;
    expected = 0;
  } else if (with_response && IsCommand(data, count, 0x00)) {
    if (answer_requests) link->Notify(0, {0x10, 0x07, 0xFF, static_cast<uint8_t>(expected)});
  } else if (!with_response && session) {
    if (count >= 1 && data[0] == static_cast<uint8_t>(expected)) {
      ++expected;
      held.insert(held.end(), data + 1, data + count);
    } else {
      ++out_of_sequence;
    }
  } else {
    if (with_response) session = false;
    held.insert(held.end(), data, data + count);
  }
  return true;
}

}  // namespace velmora::test
