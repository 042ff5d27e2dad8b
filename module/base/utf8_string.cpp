#include "utf8_string.h"

#include <cstring>

#include "allocator.h"

namespace vorlane {

const char* Utf8String::text() const {
  return length_ > 0 ? reinterpret_cast<const char*>(storage_.data()) : kEmptyText;
}

bool Utf8String::reserve(uint32_t needed) {
  uint32_t size = storage_.size();
  if (size < needed) {
    if (needed > UINT32_MAX - 16)
      return false;
    return storage_.resize(needed + 16) != nullptr;
  }
  if (size - needed > 32) {
    // Giving memory back may fail too; the larger block still holds everything.
    storage_.resize(needed);
  }
  return true;
}

void Utf8String::append(const char* text, uint32_t max_bytes) {
  uint32_t n = bounded_length(text, max_bytes);
  if (n > UINT32_MAX - 1 - length_ || !reserve(length_ + n + 1))
    return;
  uint8_t* data = storage_.data();
  std::memcpy(data + length_, text == nullptr ? "" : text, n);
  length_ += n;
  data[length_] = '\0';
}

void Utf8String::assign(const char* text, uint32_t max_bytes) {
  uint32_t n = bounded_length(text, max_bytes);
  if (n == UINT32_MAX || !reserve(n + 1))
    return;
  uint8_t* data = storage_.data();
  if (n > 0)
    std::memmove(data, text, n);
  length_ = n;
  data[n] = '\0';
}

bool Utf8String::assign_bytes(const void* bytes, uint32_t count) {
  if (count == UINT32_MAX || !reserve(count + 1))
    return false;
  uint8_t* data = storage_.data();
  if (count > 0)
    std::memmove(data, bytes, count);
  length_ = count;
  data[count] = '\0';
  return true;
}

bool Utf8String::append_bytes(const void* bytes, uint32_t count) {
  if (count > UINT32_MAX - 1 - length_ || !reserve(length_ + count + 1))
    return false;
  uint8_t* data = storage_.data();
  if (count > 0)
    std::memcpy(data + length_, bytes, count);
  length_ += count;
  data[length_] = '\0';
  return true;
}

void Utf8String::truncate(uint32_t new_length) {
  if (length_ <= new_length)
    return;
  length_ = new_length;
  storage_.data()[new_length] = '\0';
  reserve(new_length + 1);
}

void Utf8String::take_storage(MemoryBlock& block, uint32_t length) {
  storage_.swap_storage(block);
  length_ = length;
  storage_.data()[length] = '\0';
  // The block may be far larger than the text; the usual rule gives the spare memory back.
  reserve(length + 1);
}

uint32_t Utf8String::find_char(uint8_t byte, int32_t start) const {
  uint32_t from = start < 0 ? 0 : static_cast<uint32_t>(start);
  if (from >= length_)
    return kNotFound;
  const void* hit = std::memchr(storage_.data() + from, byte, length_ - from);
  return hit ? static_cast<uint32_t>(static_cast<const uint8_t*>(hit) - storage_.data())
             : kNotFound;
}

uint32_t Utf8String::find_text(const char* needle, int32_t start) const {
  uint32_t from = start < 0 ? 0 : static_cast<uint32_t>(start);
  if (from >= length_)
    return kNotFound;
  const char* data = reinterpret_cast<const char*>(storage_.data());
  if (needle[0] == '\0')
    return from;
  // Candidates are found by their first byte; the terminating NUL stops every comparison that
  // would run past the end.
  for (uint32_t i = from; i < length_;) {
    const void* hit = std::memchr(data + i, needle[0], length_ - i);
    if (!hit)
      return kNotFound;
    i = static_cast<uint32_t>(static_cast<const char*>(hit) - data);
    if (starts_with_text(data + i, needle))
      return i;
    ++i;
  }
  return kNotFound;
}

void Utf8String::remove_range(uint32_t position, uint32_t count) {
  if (position > length_)
    position = length_;
  if (count > length_ - position)
    count = length_ - position;
  if (count == 0)
    return;
  uint8_t* data = storage_.data();
  std::memmove(data + position, data + position + count, length_ - position - count + 1);
  length_ -= count;
  reserve(length_ + 1);
}

void Utf8String::insert_text(uint32_t position, const char* text, uint32_t count) {
  if (text == nullptr)
    count = 0;
  if (position > length_)
    position = length_;
  if (count > UINT32_MAX - 1 - length_ || !reserve(length_ + count + 1))
    return;
  uint8_t* data = storage_.data();
  if (length_ == 0)
    data[0] = '\0';
  std::memmove(data + position + count, data + position, length_ - position + 1);
  if (count > 0)
    std::memcpy(data + position, text, count);
  length_ += count;
}

void Utf8String::insert_text(uint32_t position, const char* text) {
  insert_text(position, text, bounded_length(text, kWholeText));
}

HeapString::HeapString(const char* text) {
  uint32_t n = bounded_length(text, kWholeText);
  copy_ = static_cast<char*>(mem_alloc(static_cast<std::size_t>(n) + 1));
  if (copy_) {
    std::memcpy(copy_, text, n);
    copy_[n] = '\0';
  }
}

HeapString::~HeapString() {
  mem_free(copy_);
}

bool HeapString::assign(const char* text, uint32_t max_bytes) {
  uint32_t n = bounded_length(text, max_bytes);
  if (n == 0) {
    mem_free(copy_);
    copy_ = nullptr;
    return true;
  }
  void* moved = copy_ ? mem_realloc(copy_, static_cast<std::size_t>(n) + 1)
                      : mem_alloc(static_cast<std::size_t>(n) + 1);
  if (!moved)
    return false;
  copy_ = static_cast<char*>(moved);
  std::memmove(copy_, text, n);
  copy_[n] = '\0';
  return true;
}

} // namespace vorlane
