#include "winlite.h"
WINLITE_API HWND GetDlgItem(HWND, int) {
  return nullptr;
}
WINLITE_API BOOL CheckDlgButton(HWND, int, UINT) {
  return 0;
}
WINLITE_API UINT IsDlgButtonChecked(HWND, int) {
  return 0;
}
WINLITE_API LONG_PTR SetWindowLongPtrA(HWND, int, LONG_PTR) {
  return 0;
}
WINLITE_API LONG_PTR GetWindowLongPtrA(HWND, int) {
  return 0;
}
WINLITE_API LRESULT CallWindowProcA(WNDPROC, HWND, UINT, WPARAM, LPARAM) {
  return 0;
}
WINLITE_API LRESULT SendMessageA(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}
WINLITE_API SHORT GetAsyncKeyState(int) {
  return 0;
}
WINLITE_API BOOL DestroyWindow(HWND) {
  return 0;
}
WINLITE_API BOOL IsWindow(HWND) {
  return 0;
}
WINLITE_API void winlite_register_resources(HINSTANCE, const void*, unsigned long) {}
