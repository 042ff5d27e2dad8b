#include "playlist/locations.h"

#include "support/files.h"
#include "support/location.h"
#include "support/text.h"

namespace tessaly {

std::string resolve_location(const std::string& location, const std::string& folder) {
  return is_absolute(location) || is_url(location) ? location : join_path(folder, location);
}

std::optional<std::string> file_uri_path(std::string_view uri) {
  if (scheme_length(uri) != 4 || !equal_ignoring_ascii_case(uri.substr(0, 4), "file"))
    return std::nullopt;
  std::string_view rest = uri.substr(5);
  if (rest.substr(0, 2) == "//") {
    rest.remove_prefix(2);
    // An empty host or "localhost" is this machine; the path starts at the next slash.
    size_t slash = rest.find('/');
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  }
  // "/C:/x": a drive letter keeps no slash before it.
  if (rest.size() >= 3 && rest[0] == '/' && is_ascii_letter(rest[1]) && rest[2] == ':')
    rest.remove_prefix(1);
  std::string path;
  path.reserve(rest.size());
  for (size_t i = 0; i < rest.size(); ++i) {
    int high = i + 2 < rest.size() && rest[i] == '%' ? hex_digit(rest[i + 1]) : -1;
    int low = high >= 0 ? hex_digit(rest[i + 2]) : -1;
    // "%00" stays as it is: a NUL would end the path early and name another file.
    if (low >= 0 && high + low > 0) {
      path.push_back(static_cast<char>(high * 16 + low));
      i += 2;
    } else {
      path.push_back(rest[i]);
    }
  }
  return path;
}

} // namespace tessaly
