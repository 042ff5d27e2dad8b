// XML read with expat.
#include <expat.h>

#include <climits>

#include "playlist/xml_reader.h"

namespace tessaly {
namespace {

struct Parse {
  XmlHandler& handler;
  int depth = 0;
};

std::string_view local_name(const XML_Char* name) {
  std::string_view text(name);
  size_t colon = text.rfind(':');
  return colon == std::string_view::npos ? text : text.substr(colon + 1);
}

void on_start(void* data, const XML_Char* name, const XML_Char**) {
  auto* parse = static_cast<Parse*>(data);
  parse->handler.start_element(local_name(name), ++parse->depth);
}

void on_end(void* data, const XML_Char* name) {
  auto* parse = static_cast<Parse*>(data);
  parse->handler.end_element(local_name(name), parse->depth--);
}

void on_text(void* data, const XML_Char* text, int length) {
  auto* parse = static_cast<Parse*>(data);
  parse->handler.text(std::string_view(text, static_cast<size_t>(length)), parse->depth);
}

} // namespace

bool parse_xml(std::string_view document, XmlHandler& handler, std::string* error) {
  XML_Parser parser = XML_ParserCreate("UTF-8");
  if (!parser) {
    *error = "out of memory";
    return false;
  }
  Parse parse{handler};
  XML_SetUserData(parser, &parse);
  XML_SetElementHandler(parser, on_start, on_end);
  XML_SetCharacterDataHandler(parser, on_text);
  // Documents beyond INT_MAX bytes are given in pieces.
  bool ok = true;
  do {
    size_t piece = document.size() < INT_MAX ? document.size() : INT_MAX;
    bool last = piece == document.size();
    ok = XML_Parse(parser, document.data(), static_cast<int>(piece), last) == XML_STATUS_OK;
    document.remove_prefix(piece);
  } while (ok && !document.empty());
  if (!ok) {
    *error = "not well-formed XML: line " + std::to_string(XML_GetCurrentLineNumber(parser)) +
             ": " + XML_ErrorString(XML_GetErrorCode(parser));
  }
  XML_ParserFree(parser);
  return ok;
}

} // namespace tessaly
