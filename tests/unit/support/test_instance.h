// The instance that holds dialog 101 in this test program: the program itself, into which the
// module's code and its dialog resource are linked.
#pragma once

#include "platform/win32.h"

HINSTANCE test_instance();
