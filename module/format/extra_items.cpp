#include "extra_items.h"

#include <cstdio>
#include <cstring>

#include "base/formatted_string.h"

namespace vorlane {
namespace {
const char kEmptyList[2] = {'\0', '\0'};
}

const char* ExtraItems::items_text() const {
  return item_count() > 0 ? reinterpret_cast<const char*>(bytes_.data()) : kEmptyList;
}

void ExtraItems::add_item(const char* name, const char* value, int32_t value_length) {
  if (!name || !value)
    return;
  uint32_t position = item_count() == 0 ? 0 : bytes_.size() - 1;
  uint32_t n = static_cast<uint32_t>(std::strlen(name));
  uint32_t v = value_length < 0 ? static_cast<uint32_t>(std::strlen(value))
                                : static_cast<uint32_t>(value_length);
  if (n > UINT32_MAX - 3 - position || v > UINT32_MAX - 3 - position - n)
    return;
  uint32_t old_size = bytes_.size();
  uint8_t* at = bytes_.resize(position + n + v + 3);
  if (!at)
    return;
  uint8_t offset[4] = {static_cast<uint8_t>(position), static_cast<uint8_t>(position >> 8),
                       static_cast<uint8_t>(position >> 16), static_cast<uint8_t>(position >> 24)};
  if (!offsets_.append_bytes(offset, 4)) {
    // Keeps the list as it was: the final NUL at the old end is still in place.
    bytes_.resize(old_size);
    return;
  }
  at += position;
  std::memcpy(at, name, n);
  at[n] = '=';
  std::memcpy(at + n + 1, value, v);
  at[n + 1 + v] = '\0';
  at[n + 2 + v] = '\0';
}

char* format_duration(int64_t s, char* buffer) {
  if (s < 0)
    s = 0;
  uint32_t weeks = static_cast<uint32_t>(s / 604800);
  uint32_t days = static_cast<uint32_t>((s / 86400) % 7);
  uint32_t hours = static_cast<uint32_t>((s / 3600) % 24);
  uint32_t minutes = static_cast<uint32_t>((s / 60) % 60);
  uint32_t seconds = static_cast<uint32_t>(s % 60);
  char* out = buffer;
  if (weeks != 0)
    out += std::sprintf(out, "%uwk ", weeks);
  if (days != 0 || weeks != 0)
    out += std::sprintf(out, "%ud ", days);
  if (hours != 0 || days != 0 || weeks != 0)
    std::sprintf(out, "%u:%02u:%02u", hours, minutes, seconds);
  else
    std::sprintf(out, "%u:%02u", minutes, seconds);
  return buffer;
}

void add_integer_item(ExtraItems& items, const char* name, int32_t value) {
  FormattedString text("%i", value);
  items.add_item(name, text.text(), -1);
}

void add_real_item(ExtraItems& items, const char* name, double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", 2, value);
  items.add_item(name, text, -1);
}

} // namespace vorlane
