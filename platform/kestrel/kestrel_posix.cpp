// kestrel on winlite, whose A functions already speak UTF-8.
#include <cstddef>
#include <vector>

#include "kestrel_internal.h"

KESTREL_API HWND uCreateDialog(HINSTANCE instance, UINT id, HWND parent, DLGPROC procedure,
                               LPARAM parameter) {
  return CreateDialogParamA(instance, MAKEINTRESOURCEA(id), parent, procedure, parameter);
}

KESTREL_API BOOL uSetDlgItemText(HWND dialog, int id, const char* text) {
  return SetDlgItemTextA(dialog, id, text);
}

KESTREL_API BOOL uGetWindowText(HWND window, vorlane::StringSink* out) {
  if (!out)
    return FALSE;
  out->reset();
  if (!IsWindow(window))
    return FALSE;
  std::vector<char> buffer(static_cast<size_t>(GetWindowTextLengthA(window)) + 1);
  int n = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
  out->assign(buffer.data(), static_cast<uint32_t>(n));
  return TRUE;
}

KESTREL_API LRESULT uSendMessage(HWND window, UINT message, WPARAM first, LPARAM second) {
  return SendMessageA(window, message, first, second);
}

// There is no screen to show a file dialog on: without an automated answer it is cancelled.
KESTREL_API BOOL uGetOpenFileName(HWND owner, const char* filter, UINT filter_index,
                                  const char* default_extension, const char* title,
                                  const char* initial_folder, vorlane::StringSink* result,
                                  BOOL save) {
  kestrel::record_file_dialog(owner, filter, filter_index, default_extension, title, initial_folder,
                              result, save);
  return kestrel::take_file_answer(result) == kestrel::FileAnswer::Path;
}
