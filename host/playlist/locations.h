// Where a playlist's entry is: its location joined to the playlist's folder, a file: URI made a
// path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

// A relative location joined to folder; an absolute path or a URL as it is.
std::string resolve_location(const std::string& location, const std::string& folder);

// The path of a "file:" URI ("file:///music/a%20b.flac" is "/music/a b.flac", "file:///C:/x" is
// "C:/x"), none for any other text. %XX escapes are decoded; a malformed one is kept as written.
std::optional<std::string> file_uri_path(std::string_view uri);

} // namespace tessaly
