// The keyboard: a key state that tests and the headless host set, and keys typed into a window.
#include "winlite_internal.h"

namespace {

bool key_down[256];

bool is_down(int key) {
  return key >= 0 && key < 256 && key_down[key];
}

} // namespace

WINLITE_API SHORT GetAsyncKeyState(int key) {
  return is_down(key) ? static_cast<SHORT>(0x8000) : 0;
}

WINLITE_API void winlite_set_key_state(int virtual_key, BOOL down) {
  if (virtual_key >= 0 && virtual_key < 256)
    key_down[virtual_key] = down != FALSE;
}

WINLITE_API void winlite_type_key(HWND window, int virtual_key, char character) {
  // Alt without Control makes these system keys, as on Windows; Ctrl+Alt (AltGr) does not.
  bool system = is_down(VK_MENU) && !is_down(VK_CONTROL);
  bool was_down = is_down(virtual_key);
  winlite_set_key_state(virtual_key, TRUE);
  // Repeat count 1; the key-up also carries the previous-state and transition bits.
  SendMessageA(window, system ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<WPARAM>(virtual_key), 1);
  // The character comes from the keyboard, whatever the key-down's receiver did with it.
  if (character)
    SendMessageA(window, system ? WM_SYSCHAR : WM_CHAR,
                 static_cast<WPARAM>(static_cast<unsigned char>(character)), 1);
  SendMessageA(window, system ? WM_SYSKEYUP : WM_KEYUP, static_cast<WPARAM>(virtual_key),
               static_cast<LPARAM>(0xC0000001u));
  winlite_set_key_state(virtual_key, was_down);
}
