#include "test_windows.h"

namespace testwin {
namespace {

LRESULT CALLBACK parent_procedure(HWND window, UINT message, WPARAM first, LPARAM second) {
  return DefWindowProcA(window, message, first, second);
}

const char* parent_class() {
  static ATOM atom = [] {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = parent_procedure;
    window_class.lpszClassName = "VorlaneTestParent";
    return RegisterClassA(&window_class);
  }();
  return atom ? "VorlaneTestParent" : nullptr;
}

} // namespace

HWND create_parent() {
  return CreateWindowExA(0, parent_class(), "Vorlane test", WS_VISIBLE, 0, 0, 700, 700, nullptr,
                         nullptr, nullptr, nullptr);
}

HWND create_edit(HWND parent, DWORD style, int id) {
  return CreateWindowExA(0, "EDIT", "", style | WS_CHILD, 0, 0, 200, 50, parent,
                         reinterpret_cast<void*>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

std::vector<HWND> children(HWND window) {
  std::vector<HWND> list(static_cast<size_t>(winlite_children(window, nullptr, 0)));
  winlite_children(window, list.data(), static_cast<int>(list.size()));
  return list;
}

RECT child_rect(HWND window) {
  RECT rect = {};
  winlite_child_rect(window, &rect);
  return rect;
}

std::string class_name(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

DWORD style_bits_dropped_by(const std::string&) {
  return 0;
}

void replace_selection(HWND edit, const char* text) {
  SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

void type_key(HWND window, int virtual_key, char character) {
  winlite_type_key(window, virtual_key, character);
}

bool can_set_key_state() {
  return true;
}

bool has_real_file_dialog() {
  return false;
}

void set_key_state(int virtual_key, bool down) {
  winlite_set_key_state(virtual_key, down ? TRUE : FALSE);
}

} // namespace testwin
