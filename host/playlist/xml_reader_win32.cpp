// The Windows builds have no XML parser: Debian packages none for the cross targets, and the
// system's own (XmlLite, MSXML) has no import library in mingw-w64's runtime.
#include "playlist/xml_reader.h"

namespace tessaly {

bool parse_xml(std::string_view, XmlHandler&, std::string* error) {
  *error = "this build reads no XML; the native tessaly reads XSPF playlists";
  return false;
}

} // namespace tessaly
