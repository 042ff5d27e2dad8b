// Utf8String: the module's own StringSink, a NUL-terminated UTF-8 text on a MemoryBlock that it
// owns. Every change first states the bytes it needs (text plus NUL) and the block follows the
// reservation rule: grow to need + 16, shrink to need only when more than 32 bytes would be spare.
// A change that cannot get its memory leaves the string as it was. Positions and counts past the
// end clamp. ScratchString is the same string on doubling, never-shrinking storage, for
// short-lived buffers. HeapString is a bare owned copy of a text, one pointer wide.
//
// Every module compiles its own copy of this type. A Utf8String that another module made (the
// entry that Telvane hands to process_entry) runs that module's code behind its five StringSink
// operations and keeps its storage on that module's heap: only those five are used on it. The
// other operations run this module's code on the storage, and are for strings the module made.
#pragma once

#include <cstdint>

#include "memory_block.h"
#include "platform/string_sink.h"
#include "terminated_text.h"

namespace vorlane {

class Utf8String : public StringSink {
public:
  Utf8String() = default;
  Utf8String(const Utf8String&) = delete;
  Utf8String& operator=(const Utf8String&) = delete;
  ~Utf8String() = default;

  const char* text() const override;
  void append(const char* text, uint32_t max_bytes) override;
  void assign(const char* text, uint32_t max_bytes) override;
  void truncate(uint32_t new_length) override;
  uint32_t length() const override { return length_; }

  // First position at or after start (negative counts as 0) holding the byte / beginning the
  // whole needle; kNotFound when there is none. find_text compares the needle at every
  // candidate, up to length times the needle's length in all: it is meant for short fixed
  // needles, not for one that comes with the data.
  uint32_t find_char(uint8_t byte, int32_t start) const;
  uint32_t find_text(const char* needle, int32_t start) const;
  void remove_range(uint32_t position, uint32_t count);
  // Copies exactly count bytes of text (NULs included) to position; past the end appends.
  void insert_text(uint32_t position, const char* text, uint32_t count);
  void insert_text(uint32_t position, const char* text);
  // assign and append of exactly count bytes that hold no NUL, without searching for their
  // length. False when the string could not grow, and it is unchanged.
  bool assign_bytes(const void* bytes, uint32_t count);
  bool append_bytes(const void* bytes, uint32_t count);

  // Makes the first length bytes of block the text without copying them: the string's storage
  // and block trade places. block holds at least length + 1 bytes, and no NUL among the first
  // length. Cannot fail: a large text rewritten into a block of its own is handed over whole.
  // Both must come from this module's heap: each side later grows or frees the other's storage.
  void take_storage(MemoryBlock& block, uint32_t length);

  const MemoryBlock& storage() const { return storage_; }

protected:
  explicit Utf8String(GrowthPolicy policy) : storage_(policy) {}

private:
  bool reserve(uint32_t needed);

  MemoryBlock storage_;
  uint32_t length_ = 0;
};

class ScratchString : public Utf8String {
public:
  ScratchString() : Utf8String(GrowthPolicy::DoublingKeep) {}
};

class HeapString {
public:
  HeapString() = default;
  explicit HeapString(const char* text);
  ~HeapString();
  HeapString(const HeapString&) = delete;
  HeapString& operator=(const HeapString&) = delete;

  const char* text() const { return copy_ ? copy_ : kEmptyText; }
  // Replaces the copy with the first bounded_length(text, max_bytes) bytes; an empty text frees
  // it. False when memory ran out, and the old copy is kept.
  bool assign(const char* text, uint32_t max_bytes);
  const char* assign_text(const char* text) {
    assign(text, kWholeText);
    return this->text();
  }

private:
  char* copy_ = nullptr;
};

} // namespace vorlane
