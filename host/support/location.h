// What a playlist location is: a URL, or a path on this machine.
#pragma once

#include <string_view>

namespace tessaly {

// The length of the URL scheme that text begins with ("file" in "file:///x", "urn" in "urn:x"):
// a letter, then letters, digits, "+", "-" or ".", then a colon. A single letter before the
// colon is a drive ("C:\x", "c:/x"), not a scheme. 0 when text begins with none.
size_t scheme_length(std::string_view text);

// True for a location that names something by URL rather than by path: a scheme followed by "//"
// ("http://x"), or a "file:" URL in any of its forms. Any other "name:rest" is a plain name,
// which a file may have.
bool is_url(std::string_view location);

} // namespace tessaly
