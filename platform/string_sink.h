// StringSink: the string interface that crosses the host boundary in both directions, shared by
// contract by the module, the host and kestrel, so it sits below all three. Its five operations
// are called by position, so their order is part of the contract with the host. Texts are UTF-8,
// lengths and positions are byte counts, and a maximum of kWholeText (all ones) means "up to the
// terminating NUL". The interface has no destroy operation: whoever creates a string destroys it
// through its own type. The sides may use different C runtimes with different heaps, so a string's
// storage is grown and freed only by its creator's code: the other side changes it through these
// operations alone.
#pragma once

#include <cstdint>

namespace vorlane {

constexpr uint32_t kWholeText = 0xFFFFFFFFu;

// Writes the 31-bit UTF-8 form of code_point (0 to 6 bytes) to out, which may be null, and
// returns the byte count. Code points from 0x80000000 up have no encoding and give 0.
inline uint32_t encode_utf8(uint32_t cp, uint8_t* out) {
  uint32_t count;
  uint8_t lead;
  if (cp < 0x80u) {
    if (out)
      out[0] = static_cast<uint8_t>(cp);
    return 1;
  } else if (cp < 0x800u) {
    count = 2, lead = 0xC0;
  } else if (cp < 0x10000u) {
    count = 3, lead = 0xE0;
  } else if (cp < 0x200000u) {
    count = 4, lead = 0xF0;
  } else if (cp < 0x4000000u) {
    count = 5, lead = 0xF8;
  } else if (cp < 0x80000000u) {
    count = 6, lead = 0xFC;
  } else {
    return 0;
  }
  if (out) {
    for (uint32_t i = count - 1; i > 0; --i) {
      out[i] = static_cast<uint8_t>(0x80u | (cp & 0x3Fu));
      cp >>= 6;
    }
    out[0] = static_cast<uint8_t>(lead | cp);
  }
  return count;
}

class StringSink {
public:
  // Never null; an empty string answers an empty text.
  virtual const char* text() const = 0;
  virtual void append(const char* text, uint32_t max_bytes) = 0;
  virtual void assign(const char* text, uint32_t max_bytes) = 0;
  // Cuts the text to new_length bytes; a longer or equal new_length changes nothing.
  virtual void truncate(uint32_t new_length) = 0;
  virtual uint32_t length() const = 0;

  // Conveniences built on the five operations, so they work on the other side's sink as well.
  // Inline, so that no side links the other's code for them.
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
  void append_code_point(uint32_t code_point) {
    uint8_t buffer[6];
    uint32_t count = encode_utf8(code_point, buffer);
    if (count != 0)
      append(reinterpret_cast<const char*>(buffer), count);
  }
  void append_repeated(uint32_t code_point, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
      append_code_point(code_point);
  }
  void reset() { truncate(0); }
};

} // namespace vorlane
