// Configuration files ("*.tvc"): the three format strings, each behind a 16-bit length, then one
// byte for the line-ending switch. Opened through the host's file-system services.
#pragma once

#include "entry/host_interface.h"
#include "platform/win32.h"

namespace vorlane {

// The commands of "Load Config" and "Save Config"; page is the owner of the file dialog and the
// window that shows the settings.
void LoadConfig(HWND page);
void SaveConfig(HWND page);

// Opens path (mode 1 read, 3 write) through the first file-system service that accepts it. The
// caller releases the file; null when no service accepts the path or the file does not open.
HostFile* OpenHostFile(const char* path, int32_t mode);

} // namespace vorlane
