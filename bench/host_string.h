// A string as another module of the player makes one: its five boundary operations run this code,
// and its text lives on a heap of its own (a private heap on Windows, natively blocks of malloc
// behind a header), with the reservation rule of the host's strings. The benchmarks hand
// process_entry such strings, as the player does. It derives from the module's Utf8String only
// because process_entry takes one; the base's own storage stays empty.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/utf8_string.h"

#ifdef _WIN32
#include "platform/win32.h"
#endif

namespace bench {

namespace host_heap {
#ifdef _WIN32
inline HANDLE heap() {
  static HANDLE created = HeapCreate(0, 0, 0);
  return created;
}
inline void* grow(void* block, size_t bytes) {
  return block ? HeapReAlloc(heap(), 0, block, bytes) : HeapAlloc(heap(), 0, bytes);
}
inline void release(void* block) {
  if (block)
    HeapFree(heap(), 0, block);
}
#else
constexpr size_t kHeader = alignof(std::max_align_t);
inline void* grow(void* block, size_t bytes) {
  char* start = static_cast<char*>(
      std::realloc(block ? static_cast<char*>(block) - kHeader : nullptr, bytes + kHeader));
  return start ? start + kHeader : nullptr;
}
inline void release(void* block) {
  if (block)
    std::free(static_cast<char*>(block) - kHeader);
}
#endif
} // namespace host_heap

class HostString final : public vorlane::Utf8String {
public:
  HostString() = default;
  ~HostString() { host_heap::release(data_); }
  HostString(const HostString&) = delete;
  HostString& operator=(const HostString&) = delete;

  const char* text() const override { return length_ > 0 ? data_ : vorlane::kEmptyText; }
  void append(const char* text, uint32_t max_bytes) override { put(length_, text, max_bytes); }
  void assign(const char* text, uint32_t max_bytes) override { put(0, text, max_bytes); }
  void truncate(uint32_t new_length) override {
    if (length_ <= new_length)
      return;
    length_ = new_length;
    data_[new_length] = '\0';
    reserve(new_length + 1);
  }
  uint32_t length() const override { return length_; }

private:
  // Grows to need + 16 bytes; gives memory back when more than 32 would be spare.
  bool reserve(uint32_t needed) {
    uint32_t target = size_ < needed ? needed + 16 : size_ - needed > 32 ? needed : size_;
    if (target == size_)
      return true;
    void* moved = host_heap::grow(data_, target);
    if (!moved)
      return target < size_;
    data_ = static_cast<char*>(moved);
    size_ = target;
    return true;
  }
  void put(uint32_t at, const char* text, uint32_t max_bytes) {
    uint32_t n = vorlane::bounded_length(text, max_bytes);
    if (!reserve(at + n + 1))
      return;
    std::memmove(data_ + at, text, n);
    length_ = at + n;
    data_[length_] = '\0';
  }

  char* data_ = nullptr;
  uint32_t size_ = 0;
  uint32_t length_ = 0;
};

} // namespace bench
