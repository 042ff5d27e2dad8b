#include <dlfcn.h>

#include "session/module_loader.h"

namespace tessaly {

const char* module_extension() {
  return ".so";
}

bool open_module_library(const std::string& path, void** library,
                         vorlane::GetInterfaceFunction* entry, HINSTANCE* instance,
                         std::string* error) {
  void* opened = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!opened) {
    *error = ::dlerror();
    return false;
  }
  auto found =
      reinterpret_cast<vorlane::GetInterfaceFunction>(::dlsym(opened, vorlane::kEntryFunctionName));
  if (!found) {
    ::dlclose(opened);
    *error = path + ": not a module (no " + vorlane::kEntryFunctionName + ")";
    return false;
  }
  // The module handle is the image's base address, as on Windows.
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<void*>(found), &info)) {
    ::dlclose(opened);
    *error = path + ": cannot find the module's base address";
    return false;
  }
  *library = opened;
  *entry = found;
  *instance = static_cast<HINSTANCE>(info.dli_fbase);
  return true;
}

void close_module_library(void* library) {
  ::dlclose(library);
}

} // namespace tessaly
