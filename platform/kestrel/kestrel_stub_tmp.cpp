#include "kestrel.h"
KESTREL_API HWND uCreateDialog(HINSTANCE, UINT, HWND, DLGPROC, LPARAM) {
  return nullptr;
}
KESTREL_API BOOL uSetDlgItemText(HWND, int, const char*) {
  return 0;
}
KESTREL_API BOOL uGetWindowText(HWND, vorlane::StringSink*) {
  return 0;
}
KESTREL_API LRESULT uSendMessage(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}
KESTREL_API BOOL uGetOpenFileName(HWND, const char*, UINT, const char*, const char*, const char*,
                                  vorlane::StringSink*, BOOL) {
  return 0;
}
KESTREL_API void kestrel_answer_next_file_dialog(const char*) {}
