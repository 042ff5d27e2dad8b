// $uri: a playlist location written as a URI.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// A location as a URI. One that has a scheme is kept, with only the bytes that no URI may hold
// encoded (an escape already there stays). A local path gets "/" separators and every byte but
// the unreserved ones percent-encoded; an absolute one ("/x", "C:\x", "\\server\share")
// becomes a file: URI, a relative one a relative reference, which resolves against the file it
// is written into just as the path did against the playlist.
std::string location_uri(std::string_view text);

} // namespace tessaly
