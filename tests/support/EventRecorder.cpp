#include "support/EventRecorder.h"

#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

EventRecorder *Self(void *p) {
  return static_cast<EventRecorder *>(p);
}

void OnOpened(void *handle, const char *name, void *p) {
  Self(p)->Add({"opened", handle, name != nullptr ? name : "", {}, std::this_thread::get_id()});
}
void OnOpenFailed(void *handle, const char *name, void *p) {
  Self(p)->Add(
      {"open_failed", handle, name != nullptr ? name : "", {}, std::this_thread::get_id()});
}
void OnClosed(void *handle, void *p) {
  Self(p)->Add({"closed", handle, "", {}, std::this_thread::get_id()});
}
void OnWritten(void *handle, unsigned char *buffer, unsigned int count, void *p) {
  Self(p)->Add({"written", handle, "", {buffer, buffer + count}, std::this_thread::get_id()});
}
void OnReceived(void *handle, unsigned char *buffer, unsigned int count, void *p) {
  Self(p)->Add({"received", handle, "", {buffer, buffer + count}, std::this_thread::get_id()});
}

}  // namespace

EventRecorder::~EventRecorder() {
  Unregister();
}

void EventRecorder::Register() {
  VP_Port_AddOnPortOpenedEvent(OnOpened, this);
  VP_Port_AddOnPortOpenFailedEvent(OnOpenFailed, this);
  VP_Port_AddOnPortClosedEvent(OnClosed, this);
  VP_Port_AddOnPortWrittenEvent(OnWritten, this);
  VP_Port_AddOnPortReceivedEvent(OnReceived, this);
  registered_ = true;
}

void EventRecorder::Unregister() {
  if (!registered_) return;
  VP_Port_RemoveOnPortOpenedEvent(OnOpened);
  VP_Port_RemoveOnPortOpenFailedEvent(OnOpenFailed);
  VP_Port_RemoveOnPortClosedEvent(OnClosed);
  VP_Port_RemoveOnPortWrittenEvent(OnWritten);
  VP_Port_RemoveOnPortReceivedEvent(OnReceived);
  registered_ = false;
}

void EventRecorder::Add(Event event) {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.push_back(std::move(event));
}

std::vector<EventRecorder::Event> EventRecorder::Events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

std::vector<EventRecorder::Event> EventRecorder::Events(const std::string &kind) const {
  std::vector<Event> out;
  for (auto &e : Events()) {
    if (e.kind == kind) out.push_back(e);
  }
  return out;
}

size_t EventRecorder::Count(const std::string &kind) const {
  return Events(kind).size();
}

std::vector<uint8_t> EventRecorder::Bytes(const std::string &kind, void *handle) const {
  std::vector<uint8_t> out;
  for (auto &e : Events(kind)) {
    if (e.handle == handle) out.insert(out.end(), e.bytes.begin(), e.bytes.end());
  }
  return out;
}

bool EventRecorder::WaitForCount(const std::string &kind, size_t count, int timeout_ms) const {
  return WaitUntil([&] { return Count(kind) >= count; }, timeout_ms);
}

}  // namespace velmora::test
