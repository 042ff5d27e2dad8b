// hold_open FILE MARKER: keeps FILE open, as another program that has it open would, so that
// Windows refuses to replace it. Creates MARKER once FILE is open, closes FILE once MARKER is gone
// (or after a minute). Exit status 1 when FILE cannot be opened.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3)
    return 2;
  // Shared for reading only: no delete sharing, so the name cannot be replaced while open.
  HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return 1;
  HANDLE marker =
      CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE)
    CloseHandle(marker);
  for (int waited = 0; waited < 1200 && GetFileAttributesW(argv[2]) != INVALID_FILE_ATTRIBUTES;
       ++waited)
    Sleep(50);
  CloseHandle(file);
  return 0;
}
