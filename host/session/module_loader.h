// Loading modules from the components folder and meeting them through their one export.
#pragma once

#include <string>

#include "entry/host_interface.h"

namespace tessaly {

struct LoadedModule {
  std::string path;
  std::string file_name; // "vorlane.dll", "vorlane.so"
  void* library = nullptr;
  vorlane::ComponentClient* client = nullptr;
  int32_t version = 0;
};

// The file extension of modules on this target (".dll" or ".so").
const char* module_extension();
// Loads the library at path and calls its entry function with host. False, with a message in
// error, when it is no module or could not be loaded; the library is then unloaded again.
bool load_module(const std::string& path, vorlane::HostApi* host, LoadedModule* module,
                 std::string* error);
void unload_module(LoadedModule* module);

// The target's half: opens the library at path and finds its entry function and the module
// handle to pass it. False, with the library closed again and a message in error, otherwise.
bool open_module_library(const std::string& path, void** library,
                         vorlane::GetInterfaceFunction* entry, HINSTANCE* instance,
                         std::string* error);
void close_module_library(void* library);

} // namespace tessaly
