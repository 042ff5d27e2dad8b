#include "platform/win32.h"

#include "session/module_loader.h"
#include "support/utf16.h"

namespace tessaly {

const char* module_extension() {
  return ".dll";
}

bool open_module_library(const std::string& path, void** library,
                         vorlane::GetInterfaceFunction* entry, HINSTANCE* instance,
                         std::string* error) {
  HMODULE opened = LoadLibraryW(widen(path).c_str());
  if (!opened) {
    *error = path + ": cannot load (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  auto found = reinterpret_cast<vorlane::GetInterfaceFunction>(
      reinterpret_cast<void*>(GetProcAddress(opened, vorlane::kEntryFunctionName)));
  if (!found) {
    FreeLibrary(opened);
    *error = path + ": not a module (no " + vorlane::kEntryFunctionName + ")";
    return false;
  }
  *library = opened;
  *entry = found;
  *instance = opened;
  return true;
}

void close_module_library(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

} // namespace tessaly
