// winlite's window model, shared by its files. All of it runs on one thread, the one that owns
// every window: like a Win32 user-interface thread, but with no message queue, since every
// message here is sent, never posted.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "winlite.h"

namespace winlite {

struct WindowClass {
  std::string name;
  WNDPROC procedure;
  int extra_bytes;
  HINSTANCE instance;
  ATOM atom;
};

struct Window {
  HWND handle;
  const WindowClass* window_class;
  std::string text; // UTF-8
  DWORD style;
  DWORD ex_style;
  LONG_PTR id;
  HWND parent; // of a child window; null otherwise
  HWND owner;  // of a top-level window; null otherwise
  std::vector<HWND> children;
  WNDPROC procedure;
  LONG_PTR user_data;
  HINSTANCE instance;
  RECT rect; // in the parent's client coordinates (winlite draws no frames: client = window)
  std::vector<unsigned char> extra;
  bool destroying = false;

  // Set by the dialog manager on the dialogs it builds.
  int base_x = 0;
  int base_y = 0;

  // EDIT: the selection as byte offsets into text, anchor and active end.
  size_t selection_anchor = 0;
  size_t selection_caret = 0;
  // BUTTON: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
  UINT check = BST_UNCHECKED;
};

// The live window behind handle, or null once it is destroyed (handles are never reused).
Window* find_window(HWND handle);

// The built-in controls' procedures.
LRESULT CALLBACK edit_procedure(HWND window, UINT message, WPARAM first, LPARAM second);
LRESULT CALLBACK button_procedure(HWND window, UINT message, WPARAM first, LPARAM second);
LRESULT CALLBACK static_procedure(HWND window, UINT message, WPARAM first, LPARAM second);

// WM_COMMAND(MAKEWPARAM(id, code), control) to the control's parent. The control may be gone
// when this returns.
void notify_parent(HWND control, WORD code);

// The bytes of the resource of type and name in the image module, or false.
bool find_resource(HINSTANCE module, const char* type, const char* name,
                   std::vector<unsigned char>& bytes);

// Copies text into a caller's buffer of size bytes as WM_GETTEXT does, never cutting a UTF-8
// sequence in two; returns the bytes copied.
LRESULT copy_text(const std::string& text, WPARAM size, LPARAM buffer);

} // namespace winlite
