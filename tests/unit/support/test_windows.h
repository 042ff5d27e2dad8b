// Window helpers whose calls differ between Windows (wide-character functions, a real window
// manager) and winlite. Texts are UTF-8 on both.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace testwin {

// A plain visible top-level window to put pages in; the caller destroys it.
HWND create_parent();
// A free-standing edit control, child of parent, with the given style and id.
HWND create_edit(HWND parent, DWORD style, int id);
// The child windows in creation (z) order.
std::vector<HWND> children(HWND window);
// The window's rectangle in its parent's client coordinates.
RECT child_rect(HWND window);
std::string class_name(HWND window);
// Style bits that a control of this class (upper case) takes off its own window style when it
// is created. The real edit control draws the border of WS_BORDER itself and drops the bit.
DWORD style_bits_dropped_by(const std::string& class_name);
// EM_REPLACESEL with a UTF-8 text, converted as the target's edit controls need.
void replace_selection(HWND edit, const char* text);
// WM_KEYDOWN to the window's current procedure, WM_CHAR when character is not 0, WM_KEYUP.
void type_key(HWND window, int virtual_key, char character);
// Whether the key state that GetAsyncKeyState reads can be set from inside the process. Under
// Wine it cannot: only keys from the X server are seen.
bool can_set_key_state();
// Whether uGetOpenFileName without an answer opens a real dialog (and so must not be called).
bool has_real_file_dialog();
void set_key_state(int virtual_key, bool down);

} // namespace testwin
