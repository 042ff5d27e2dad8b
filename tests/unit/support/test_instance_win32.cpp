#include "test_instance.h"

HINSTANCE test_instance() {
  return GetModuleHandleW(nullptr);
}
