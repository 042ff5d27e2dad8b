#include <string>

#include "test_windows.h"

namespace testwin {
namespace {

std::wstring widen(const char* text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), n);
  wide.resize(wide.size() - 1);
  return wide;
}

const wchar_t* parent_class() {
  static ATOM atom = [] {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"VorlaneTestParent";
    return RegisterClassW(&window_class);
  }();
  return atom ? L"VorlaneTestParent" : nullptr;
}

} // namespace

HWND create_parent() {
  return CreateWindowExW(0, parent_class(), L"Vorlane test", WS_OVERLAPPEDWINDOW, 0, 0, 700, 700,
                         nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

HWND create_edit(HWND parent, DWORD style, int id) {
  return CreateWindowExW(0, L"EDIT", L"", style | WS_CHILD, 0, 0, 200, 50, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

std::vector<HWND> children(HWND window) {
  std::vector<HWND> list;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    list.push_back(child);
  return list;
}

RECT child_rect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::string class_name(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

DWORD style_bits_dropped_by(const std::string& class_name) {
  return class_name == "EDIT" ? WS_BORDER : 0;
}

void replace_selection(HWND edit, const char* text) {
  std::wstring wide = widen(text);
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
}

void type_key(HWND window, int virtual_key, char character) {
  SendMessageW(window, WM_KEYDOWN, static_cast<WPARAM>(virtual_key), 1);
  if (character)
    SendMessageW(window, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(character)), 1);
  SendMessageW(window, WM_KEYUP, static_cast<WPARAM>(virtual_key),
               static_cast<LPARAM>(0xC0000001u));
}

bool can_set_key_state() {
  return false;
}

void set_key_state(int, bool) {}

bool has_real_file_dialog() {
  return true;
}

} // namespace testwin
