// StringSink: the string interface that crosses the host boundary in both directions. Its five
// operations are called by position, so their order is part of the contract with the host. Texts
// are UTF-8, lengths and positions are byte counts, and a maximum of kWholeText (all ones) means
// "up to the terminating NUL". The interface has no destroy operation: whoever creates a string
// destroys it through its own type.
#pragma once

#include <cstdint>

namespace vorlane {

constexpr uint32_t kWholeText = 0xFFFFFFFFu;
constexpr uint32_t kNotFound = 0xFFFFFFFFu;

// The one shared, read-only empty text that every empty string hands out.
extern const char kEmptyText[1];

// Bytes before the first NUL of text, but never more than max_bytes; 0 for null. Reads nothing at
// or beyond max_bytes, so the text need not be terminated within that bound.
uint32_t bounded_length(const char* text, uint32_t max_bytes);

// Writes the 31-bit UTF-8 form of code_point (0 to 6 bytes) to out, which may be null, and
// returns the byte count. Code points from 0x80000000 up have no encoding and give 0.
uint32_t encode_utf8(uint32_t code_point, uint8_t* out);

// True when the bytes at `at` begin with every byte of the NUL-terminated needle.
bool starts_with_text(const char* at, const char* needle);

class StringSink {
public:
  // Never null; an empty string answers kEmptyText.
  virtual const char* text() const = 0;
  virtual void append(const char* text, uint32_t max_bytes) = 0;
  virtual void assign(const char* text, uint32_t max_bytes) = 0;
  // Cuts the text to new_length bytes; a longer or equal new_length changes nothing.
  virtual void truncate(uint32_t new_length) = 0;
  virtual uint32_t length() const = 0;

  // Conveniences built on the five operations, so they work on a host's sink as well.
  const char* assign_text(const char* text) {
    assign(text, kWholeText);
    return this->text();
  }
  const char* append_text(const char* text) {
    append(text, kWholeText);
    return this->text();
  }
  const char* assign_from(const StringSink& other) {
    assign(other.text(), kWholeText);
    return text();
  }
  void append_code_point(uint32_t code_point);
  void append_repeated(uint32_t code_point, uint32_t count);
  void reset() { truncate(0); }
};

} // namespace vorlane
