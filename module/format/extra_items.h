// ExtraItems: name=value pairs for the host's title formatter, held as one text in which every
// pair is "name=value" plus a NUL, and the list ends with one more NUL. Nothing is escaped.
#pragma once

#include <cstdint>

#include "base/memory_block.h"

namespace vorlane {

class ExtraItems {
public:
  ExtraItems() : bytes_(GrowthPolicy::Exact), offsets_(GrowthPolicy::Exact) {}

  void clear() {
    bytes_.resize(0);
    offsets_.resize(0);
  }
  uint32_t item_count() const { return offsets_.size() / 4; }
  // The pair text; with no pairs the shared empty list (two NULs). Never null.
  const char* items_text() const;
  // Appends a pair; value_length below 0 takes the whole value. Null name or value adds nothing,
  // and so does a pair whose memory cannot be had.
  void add_item(const char* name, const char* value, int32_t value_length);

  const MemoryBlock& bytes() const { return bytes_; }
  const MemoryBlock& offsets() const { return offsets_; }

private:
  MemoryBlock bytes_;
  MemoryBlock offsets_;
};

// The duration text of s seconds ("1wk 1d 1:01:01", "1:01:01", "1:01"); negative counts as 0.
// Writes into buffer, which holds 128 bytes, and returns it.
char* format_duration(int64_t seconds, char* buffer);
void add_integer_item(ExtraItems& items, const char* name, int32_t value);
// Two decimals, rounded to the nearest hundredth.
void add_real_item(ExtraItems& items, const char* name, double value);

} // namespace vorlane
