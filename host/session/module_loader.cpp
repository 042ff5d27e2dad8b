#include "session/module_loader.h"

#include "support/files.h"

namespace tessaly {

bool load_module(const std::string& path, vorlane::HostApi* host, LoadedModule* module,
                 std::string* error) {
  void* library = nullptr;
  vorlane::GetInterfaceFunction entry = nullptr;
  HINSTANCE instance = nullptr;
  if (!open_module_library(path, &library, &entry, &instance, error))
    return false;
  module->path = path;
  module->file_name = file_name(path);
  module->library = library;
  module->client = entry(host, instance);
  if (!module->client) {
    unload_module(module);
    *error = path + ": the entry function returned no client";
    return false;
  }
  return true;
}

void unload_module(LoadedModule* module) {
  if (module->library)
    close_module_library(module->library);
  module->library = nullptr;
  module->client = nullptr;
}

} // namespace tessaly
