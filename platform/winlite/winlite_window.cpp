// Windows, classes and messages: the core of winlite's model.
#include <algorithm>
#include <cstring>
#include <deque>
#include <unordered_map>

#include "winlite_internal.h"

namespace winlite {
namespace {

// Never freed: windows may be destroyed from other libraries' static destructors.
struct Model {
  std::unordered_map<HWND, std::unique_ptr<Window>> windows;
  std::deque<WindowClass> classes; // stable addresses
  UINT_PTR next_handle = 0x10000;
  ATOM next_atom = 0xC000;

  Model() {
    classes.push_back({"Button", button_procedure, 0, nullptr, 0});
    classes.push_back({"Edit", edit_procedure, 0, nullptr, 0});
    classes.push_back({"Static", static_procedure, 0, nullptr, 0});
    classes.push_back({"#32770", DefDlgProcA, DLGWINDOWEXTRA, nullptr, 0x8002});
  }
};

Model& model() {
  static Model* instance = new Model;
  return *instance;
}

// Class names compare without regard to ASCII case, as on Windows.
bool same_name(const std::string& a, const char* b) {
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  size_t n = std::strlen(b);
  if (a.size() != n)
    return false;
  for (size_t i = 0; i < n; ++i) {
    if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

const WindowClass* find_class(const char* name) {
  if (!name)
    return nullptr;
  for (const WindowClass& window_class : model().classes) {
    if (IS_INTRESOURCE(name) ? window_class.atom == reinterpret_cast<UINT_PTR>(name)
                             : same_name(window_class.name, name))
      return &window_class;
  }
  return nullptr;
}

LONG_PTR* extra_slot(Window& window, int index) {
  if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > window.extra.size())
    return nullptr;
  return reinterpret_cast<LONG_PTR*>(window.extra.data() + index);
}

void unlink_child(Window& window) {
  Window* parent = find_window(window.parent);
  if (!parent)
    return;
  auto& siblings = parent->children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), window.handle), siblings.end());
}

} // namespace

Window* find_window(HWND handle) {
  auto found = model().windows.find(handle);
  return found == model().windows.end() ? nullptr : found->second.get();
}

LRESULT copy_text(const std::string& text, WPARAM size, LPARAM buffer) {
  char* out = reinterpret_cast<char*>(buffer);
  if (!out || size == 0)
    return 0;
  size_t n = std::min<size_t>(text.size(), size - 1);
  while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
    --n;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return static_cast<LRESULT>(n);
}

void notify_parent(HWND control, WORD code) {
  Window* window = find_window(control);
  if (!window || !window->parent)
    return;
  SendMessageA(window->parent, WM_COMMAND, MAKEWPARAM(window->id, code),
               reinterpret_cast<LPARAM>(control));
}

LRESULT CALLBACK static_procedure(HWND window, UINT message, WPARAM first, LPARAM second) {
  return DefWindowProcA(window, message, first, second);
}

} // namespace winlite

using winlite::find_window;
using winlite::Window;

WINLITE_API ATOM RegisterClassA(const WNDCLASSA* window_class) {
  if (!window_class || !window_class->lpszClassName || IS_INTRESOURCE(window_class->lpszClassName))
    return 0;
  if (winlite::find_class(window_class->lpszClassName))
    return 0;
  auto& model = winlite::model();
  ATOM atom = model.next_atom++;
  model.classes.push_back({window_class->lpszClassName, window_class->lpfnWndProc,
                           std::max(0, window_class->cbWndExtra), window_class->hInstance, atom});
  return atom;
}

WINLITE_API HWND CreateWindowExA(DWORD ex_style, const char* class_name, const char* text,
                                 DWORD style, int x, int y, int width, int height, HWND parent,
                                 void* menu, HINSTANCE instance, void* parameter) {
  const winlite::WindowClass* window_class = winlite::find_class(class_name);
  if (!window_class)
    return nullptr;
  bool child = (style & WS_CHILD) != 0;
  // As on Windows: a child needs a live parent, and an owner must be live when one is named.
  if ((child && !parent) || (parent && !find_window(parent)))
    return nullptr;

  auto& model = winlite::model();
  auto window = std::make_unique<Window>();
  HWND handle = reinterpret_cast<HWND>(model.next_handle);
  model.next_handle += 4;
  window->handle = handle;
  window->window_class = window_class;
  window->text = text && !IS_INTRESOURCE(text) ? text : "";
  window->style = style;
  window->ex_style = ex_style;
  window->id = child ? reinterpret_cast<LONG_PTR>(menu) : 0;
  window->parent = child ? parent : nullptr;
  window->owner = child ? nullptr : parent;
  window->procedure = window_class->procedure;
  window->user_data = 0;
  window->instance = instance;
  window->rect = {x, y, x + width, y + height};
  window->extra.assign(static_cast<size_t>(window_class->extra_bytes), 0);
  model.windows.emplace(handle, std::move(window));
  if (child)
    find_window(parent)->children.push_back(handle);

  CREATESTRUCTA create = {
      parameter, instance, static_cast<HMENU>(menu), parent, height,     width,
      y,         x,        static_cast<LONG>(style), text,   class_name, ex_style};
  if (SendMessageA(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  return find_window(handle) ? handle : nullptr;
}

WINLITE_API BOOL DestroyWindow(HWND handle) {
  Window* window = find_window(handle);
  if (!window || window->destroying)
    return FALSE;
  window->destroying = true;
  // The window hears of it first, then its children, as on Windows.
  SendMessageA(handle, WM_DESTROY, 0, 0);
  std::vector<HWND> children = find_window(handle)->children;
  for (HWND child : children)
    DestroyWindow(child);
  winlite::unlink_child(*find_window(handle));
  winlite::model().windows.erase(handle);
  return TRUE;
}

WINLITE_API BOOL IsWindow(HWND handle) {
  return find_window(handle) != nullptr;
}

WINLITE_API LRESULT SendMessageA(HWND handle, UINT message, WPARAM first, LPARAM second) {
  Window* window = find_window(handle);
  if (!window || !window->procedure)
    return 0;
  return window->procedure(handle, message, first, second);
}

WINLITE_API LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM first,
                                    LPARAM second) {
  return procedure ? procedure(window, message, first, second) : 0;
}

WINLITE_API LRESULT DefWindowProcA(HWND handle, UINT message, WPARAM first, LPARAM second) {
  Window* window = find_window(handle);
  if (!window)
    return 0;
  switch (message) {
  case WM_SETTEXT: {
    const char* text = reinterpret_cast<const char*>(second);
    window->text = text ? text : "";
    return TRUE;
  }
  case WM_GETTEXT:
    return winlite::copy_text(window->text, first, second);
  case WM_GETTEXTLENGTH:
    return static_cast<LRESULT>(window->text.size());
  case WM_CLOSE:
    DestroyWindow(handle);
    return 0;
  default:
    return 0;
  }
}

WINLITE_API LONG_PTR SetWindowLongPtrA(HWND handle, int index, LONG_PTR value) {
  Window* window = find_window(handle);
  if (!window)
    return 0;
  LONG_PTR previous = 0;
  switch (index) {
  case GWLP_WNDPROC:
    previous = reinterpret_cast<LONG_PTR>(window->procedure);
    window->procedure = reinterpret_cast<WNDPROC>(value);
    return previous;
  case GWLP_USERDATA:
    previous = window->user_data;
    window->user_data = value;
    return previous;
  case GWL_STYLE:
    previous = static_cast<LONG_PTR>(window->style);
    window->style = static_cast<DWORD>(value);
    return previous;
  case GWL_EXSTYLE:
    previous = static_cast<LONG_PTR>(window->ex_style);
    window->ex_style = static_cast<DWORD>(value);
    return previous;
  case GWLP_ID:
    previous = window->id;
    window->id = value;
    return previous;
  case GWLP_HINSTANCE:
    previous = reinterpret_cast<LONG_PTR>(window->instance);
    window->instance = reinterpret_cast<HINSTANCE>(value);
    return previous;
  default:
    if (LONG_PTR* slot = winlite::extra_slot(*window, index)) {
      previous = *slot;
      *slot = value;
    }
    return previous;
  }
}

WINLITE_API LONG_PTR GetWindowLongPtrA(HWND handle, int index) {
  Window* window = find_window(handle);
  if (!window)
    return 0;
  switch (index) {
  case GWLP_WNDPROC:
    return reinterpret_cast<LONG_PTR>(window->procedure);
  case GWLP_USERDATA:
    return window->user_data;
  case GWL_STYLE:
    return static_cast<LONG_PTR>(window->style);
  case GWL_EXSTYLE:
    return static_cast<LONG_PTR>(window->ex_style);
  case GWLP_ID:
    return window->id;
  case GWLP_HINSTANCE:
    return reinterpret_cast<LONG_PTR>(window->instance);
  default: {
    LONG_PTR* slot = winlite::extra_slot(*window, index);
    return slot ? *slot : 0;
  }
  }
}

WINLITE_API LONG GetWindowLongA(HWND window, int index) {
  // A pointer does not fit in a LONG here, as on 64-bit Windows, which refuses these slots.
  if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == DWLP_DLGPROC)
    return 0;
  return static_cast<LONG>(GetWindowLongPtrA(window, index));
}

WINLITE_API BOOL SetWindowTextA(HWND window, const char* text) {
  return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

WINLITE_API int GetWindowTextA(HWND window, char* buffer, int size) {
  if (!buffer || size <= 0)
    return 0;
  buffer[0] = '\0';
  return static_cast<int>(SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(size),
                                       reinterpret_cast<LPARAM>(buffer)));
}

WINLITE_API int GetWindowTextLengthA(HWND window) {
  return static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
}

WINLITE_API int GetClassNameA(HWND handle, char* buffer, int size) {
  Window* window = find_window(handle);
  if (!window || !buffer || size <= 0)
    return 0;
  return static_cast<int>(winlite::copy_text(window->window_class->name, static_cast<WPARAM>(size),
                                             reinterpret_cast<LPARAM>(buffer)));
}

WINLITE_API HWND GetParent(HWND handle) {
  Window* window = find_window(handle);
  if (!window)
    return nullptr;
  if (window->style & WS_CHILD)
    return window->parent;
  return (window->style & WS_POPUP) ? window->owner : nullptr;
}

WINLITE_API int GetDlgCtrlID(HWND handle) {
  Window* window = find_window(handle);
  return window && (window->style & WS_CHILD) ? static_cast<int>(window->id) : 0;
}

WINLITE_API HWND GetDlgItem(HWND dialog, int id) {
  Window* window = find_window(dialog);
  if (!window)
    return nullptr;
  for (HWND child : window->children) {
    if (static_cast<int>(find_window(child)->id) == id)
      return child;
  }
  return nullptr;
}

WINLITE_API BOOL winlite_child_rect(HWND handle, RECT* rect) {
  Window* window = find_window(handle);
  if (!window || !rect)
    return FALSE;
  *rect = window->rect;
  return TRUE;
}

WINLITE_API int winlite_children(HWND handle, HWND* children, int capacity) {
  Window* window = find_window(handle);
  if (!window)
    return 0;
  int count = static_cast<int>(window->children.size());
  for (int i = 0; i < count && i < capacity && children; ++i)
    children[i] = window->children[static_cast<size_t>(i)];
  return count;
}
