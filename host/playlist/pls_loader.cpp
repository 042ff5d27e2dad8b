#include "playlist/pls_loader.h"

#include <charconv>
#include <map>

#include "playlist/locations.h"
#include "playlist/m3u_loader.h"
#include "support/text.h"

namespace tessaly {
namespace {

// "File12" as ("file", 12); false for a key without a number.
bool numbered_key(std::string_view key, std::string* name, unsigned long long* number) {
  size_t digits = key.find_first_of("0123456789");
  if (digits == 0 || digits == std::string_view::npos)
    return false;
  auto [end, error] = std::from_chars(key.data() + digits, key.data() + key.size(), *number);
  if (error != std::errc() || end != key.data() + key.size())
    return false;
  name->assign(key.substr(0, digits));
  for (char& c : *name)
    c = ascii_lower(c);
  return true;
}

} // namespace

std::vector<PlaylistEntry> parse_pls(std::string_view text, const std::string& folder) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF")
    text.remove_prefix(3);
  std::map<unsigned long long, PlaylistEntry> numbered;
  size_t position = 0;
  while (position < text.size()) {
    std::string_view line = next_trimmed_line(text, &position);
    size_t equals = line.find('=');
    std::string key;
    unsigned long long number = 0;
    if (equals == std::string_view::npos ||
        !numbered_key(trim(line.substr(0, equals)), &key, &number))
      continue;
    std::string_view value = trim(line.substr(equals + 1));
    if (key == "file") {
      numbered[number].location = value;
    } else if (key == "title") {
      numbered[number].title = value;
    } else if (key == "length") {
      std::optional<double> seconds = parse_decimal(value);
      numbered[number].length_seconds = seconds && *seconds > 0 ? seconds : std::nullopt;
    }
  }
  std::vector<PlaylistEntry> entries;
  for (auto& [number, entry] : numbered) {
    if (entry.location.empty())
      continue;
    entry.resolved = resolve_location(entry.location, folder);
    entries.push_back(std::move(entry));
  }
  return entries;
}

} // namespace tessaly
