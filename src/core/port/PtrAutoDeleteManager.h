#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace velmora::core {

// Registry of live objects behind opaque handles: at most kSlots live handles, each with its
// object and a reference count, under one mutex. A handle is a value of its own, never the
// object's address, and no value is handed out twice: a handle that was closed can never name
// an object entered later, even one that took its object's memory. A handle is validated by
// comparing it with the registered ones, never by dereferencing it. The registration itself
// holds one reference; Retire() drops the handle from lookups (the handle is invalid from then
// on and its slot is free for a new open), and the object is deleted when the last reference
// is released, possibly later, by a thread that still holds it.
template <typename T, size_t kSlots = 100>
class PtrAutoDeleteManager {
 public:
  PtrAutoDeleteManager() = default;
  PtrAutoDeleteManager(const PtrAutoDeleteManager &) = delete;
  PtrAutoDeleteManager &operator=(const PtrAutoDeleteManager &) = delete;

  // Enters `object` with one reference and returns its new handle; null when every slot is
  // taken (or, after some 2^28 handles on a 32-bit system, when the values ran out).
  void *Add(T *object) {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t live = 0;
    Slot *free_slot = nullptr;
    for (Slot &slot : slots_) {
      if (slot.object != nullptr && !slot.retired) ++live;
      if (slot.object == nullptr && free_slot == nullptr) free_slot = &slot;
    }
    if (live >= kSlots || next_handle_ > kLastHandle) return nullptr;
    if (free_slot == nullptr) free_slot = &slots_.emplace_back();
    // Aligned like an address, above the first page, so that it looks like any other handle.
    void *handle = reinterpret_cast<void *>(next_handle_);
    next_handle_ += kHandleStep;
    *free_slot = Slot{object, handle, 1, false};
    return handle;
  }

  // Looks a handle up; on success takes a reference and returns the object.
  T *Acquire(const void *handle) {
    if (handle == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    Slot *slot = FindHandle(handle);
    if (slot == nullptr || slot->retired) return nullptr;
    ++slot->refs;
    return slot->object;
  }

  // Takes one more reference on an object the caller already holds a reference to, also
  // after it was retired (for threads that outlive the call that started them).
  void Pin(T *object) {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot *slot = FindObject(object);
    if (slot != nullptr) ++slot->refs;
  }

  // Makes the handle invalid for further lookups and drops the registration's reference.
  // Only the first caller for a live handle succeeds.
  bool Retire(const void *handle) {
    T *doomed = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      Slot *slot = FindHandle(handle);
      if (slot == nullptr || slot->retired) return false;
      slot->retired = true;
      doomed = DropLocked(*slot);
    }
    delete doomed;
    return true;
  }

  // Drops one reference; the object is deleted when none is left.
  void Release(T *object) {
    T *doomed = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      Slot *slot = FindObject(object);
      if (slot == nullptr) return;
      doomed = DropLocked(*slot);
    }
    delete doomed;
  }

  // Objects still alive, retired ones that are still held included.
  size_t Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t n = 0;
    for (const Slot &slot : slots_) n += slot.object != nullptr ? 1 : 0;
    return n;
  }

 private:
  static constexpr uintptr_t kFirstHandle = 0x10010;
  static constexpr uintptr_t kHandleStep = 0x10;
  static constexpr uintptr_t kLastHandle = UINTPTR_MAX - kHandleStep;

  struct Slot {
    T *object = nullptr;
    const void *handle = nullptr;
    int refs = 0;
    bool retired = false;
  };

  Slot *FindHandle(const void *handle) {
    for (Slot &slot : slots_) {
      if (slot.object != nullptr && slot.handle == handle) return &slot;
    }
    return nullptr;
  }

  Slot *FindObject(const T *object) {
    for (Slot &slot : slots_) {
      if (slot.object != nullptr && slot.object == object) return &slot;
    }
    return nullptr;
  }

  // Returns the object to delete (outside the lock) when this was the last reference.
  static T *DropLocked(Slot &slot) {
    if (--slot.refs > 0) return nullptr;
    T *object = slot.object;
    slot = Slot{};
    return object;
  }

  mutable std::mutex mutex_;
  std::vector<Slot> slots_;  // grows past kSlots only with retired objects still held
  uintptr_t next_handle_ = kFirstHandle;
};

}  // namespace velmora::core
