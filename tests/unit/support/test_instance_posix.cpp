#include <dlfcn.h>

#include "prefs/preferences_page.h"
#include "test_instance.h"

// The module registers its compiled dialog under the base of the image that holds its code.
HINSTANCE test_instance() {
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&vorlane::RefreshControls), &info))
    return nullptr;
  return static_cast<HINSTANCE>(info.dli_fbase);
}
