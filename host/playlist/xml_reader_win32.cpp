// XML read with XmlLite, the parser every Windows since Vista has. mingw-w64 has no import
// library for it, so the one function it is reached through is looked up in xmllite.dll.
#include "platform/win32.h"

#include <shlwapi.h>
#include <xmllite.h>

#include <climits>
#include <cstdio>
#include <string>

#include "playlist/xml_reader.h"
#include "support/utf16.h"

namespace tessaly {
namespace {

using CreateReader = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// Releases a COM object when the scope ends.
template <typename T> struct Owned {
  T* object = nullptr;
  ~Owned() {
    if (object)
      object->Release();
  }
};

std::string utf8_of(const wchar_t* text, UINT length) {
  return narrow(std::wstring(text, length));
}

std::string local_name(IXmlReader* reader) {
  const wchar_t* name = nullptr;
  UINT length = 0;
  if (FAILED(reader->GetLocalName(&name, &length)) || !name)
    return {};
  return utf8_of(name, length);
}

} // namespace

bool parse_xml(std::string_view document, XmlHandler& handler, std::string* error) {
  static HMODULE library = LoadLibraryW(L"xmllite.dll");
  auto create = library ? reinterpret_cast<CreateReader>(
                              reinterpret_cast<void*>(GetProcAddress(library, "CreateXmlReader")))
                        : nullptr;
  if (!create) {
    *error = "this system has no XML reader (xmllite.dll)";
    return false;
  }
  if (document.size() > UINT_MAX) {
    *error = "too large to read as XML";
    return false;
  }
  Owned<IStream> stream{SHCreateMemStream(reinterpret_cast<const BYTE*>(document.data()),
                                          static_cast<UINT>(document.size()))};
  Owned<IXmlReader> reader;
  if (!stream.object ||
      FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&reader.object), nullptr)) ||
      FAILED(reader.object->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
      FAILED(reader.object->SetInput(stream.object))) {
    *error = "out of memory";
    return false;
  }
  int depth = 0;
  XmlNodeType type;
  HRESULT result;
  while ((result = reader.object->Read(&type)) == S_OK) {
    if (type == XmlNodeType_Element) {
      std::string name = local_name(reader.object);
      bool empty = reader.object->IsEmptyElement();
      handler.start_element(name, ++depth);
      if (empty)
        handler.end_element(name, depth--);
    } else if (type == XmlNodeType_EndElement) {
      handler.end_element(local_name(reader.object), depth--);
    } else if (type == XmlNodeType_Text || type == XmlNodeType_CDATA ||
               type == XmlNodeType_Whitespace) {
      const wchar_t* text = nullptr;
      UINT length = 0;
      if (SUCCEEDED(reader.object->GetValue(&text, &length)) && text)
        handler.text(utf8_of(text, length), depth);
    }
  }
  if (FAILED(result)) {
    UINT line = 0;
    reader.object->GetLineNumber(&line);
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    *error = "not well-formed XML: line " + std::to_string(line) + ": XmlLite error " + code;
    return false;
  }
  return true;
}

} // namespace tessaly
