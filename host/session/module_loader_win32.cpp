#include "platform/win32.h"

#include "session/module_loader.h"
#include "support/files.h"
#include "support/utf16.h"

namespace tessaly {

const char* module_extension() {
  return ".dll";
}

bool load_module(const std::string& path, vorlane::HostApi* host, LoadedModule* module,
                 std::string* error) {
  HMODULE library = LoadLibraryW(widen(path).c_str());
  if (!library) {
    *error = path + ": cannot load (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  auto entry = reinterpret_cast<vorlane::GetInterfaceFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, vorlane::kEntryFunctionName)));
  if (!entry) {
    FreeLibrary(library);
    *error = path + ": not a module (no " + vorlane::kEntryFunctionName + ")";
    return false;
  }
  module->path = path;
  module->file_name = file_name(path);
  module->library = library;
  module->client = entry(host, library);
  if (!module->client) {
    unload_module(module);
    *error = path + ": the entry function returned no client";
    return false;
  }
  return true;
}

void unload_module(LoadedModule* module) {
  if (module->library)
    FreeLibrary(static_cast<HMODULE>(module->library));
  module->library = nullptr;
  module->client = nullptr;
}

} // namespace tessaly
