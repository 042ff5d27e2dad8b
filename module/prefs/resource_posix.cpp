// Native builds have no resource section: the compiled dialog template is embedded as bytes and
// handed to winlite under the base address of the image that holds it, which is what the host
// passes as the module handle.
#include <dlfcn.h>

#include "platform/win32.h"

namespace {

const unsigned char kCompiledResources[] = {
#include "preferences_res.inc"
};

__attribute__((constructor)) void register_compiled_resources() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&register_compiled_resources), &info) && info.dli_fbase)
    winlite_register_resources(static_cast<HINSTANCE>(info.dli_fbase), kCompiledResources,
                               sizeof kCompiledResources);
}

} // namespace
