#include <dlfcn.h>

#include "session/module_loader.h"
#include "support/files.h"

namespace tessaly {

const char* module_extension() {
  return ".so";
}

bool load_module(const std::string& path, vorlane::HostApi* host, LoadedModule* module,
                 std::string* error) {
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    *error = ::dlerror();
    return false;
  }
  auto entry = reinterpret_cast<vorlane::GetInterfaceFunction>(
      ::dlsym(library, vorlane::kEntryFunctionName));
  if (!entry) {
    ::dlclose(library);
    *error = path + ": not a module (no " + vorlane::kEntryFunctionName + ")";
    return false;
  }
  // The module handle is the image's base address, as on Windows.
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<void*>(entry), &info)) {
    ::dlclose(library);
    *error = path + ": cannot find the module's base address";
    return false;
  }
  module->path = path;
  module->file_name = file_name(path);
  module->library = library;
  module->client = entry(host, static_cast<HINSTANCE>(info.dli_fbase));
  if (!module->client) {
    unload_module(module);
    *error = path + ": the entry function returned no client";
    return false;
  }
  return true;
}

void unload_module(LoadedModule* module) {
  if (module->library)
    ::dlclose(module->library);
  module->library = nullptr;
  module->client = nullptr;
}

} // namespace tessaly
