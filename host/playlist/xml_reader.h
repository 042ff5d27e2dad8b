// XML read with the platform's parser, as a stream of elements and their text. Names are local
// names: a prefix ("xspf:track") is dropped.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

class XmlHandler {
public:
  // An element opens; depth counts from 1 for the document's element.
  virtual void start_element(std::string_view name, int depth) = 0;
  virtual void end_element(std::string_view name, int depth) = 0;
  // Character data of the element open at depth, in one or more pieces, entities decoded.
  virtual void text(std::string_view piece, int depth) = 0;

protected:
  ~XmlHandler() = default;
};

// Parses the whole document; false, with where and why, when it is not well-formed XML. The
// handler has seen everything before the fault. No external entity or DTD is fetched.
bool parse_xml(std::string_view document, XmlHandler& handler, std::string* error);

} // namespace tessaly
