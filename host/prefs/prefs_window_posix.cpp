// The preferences window on Linux: a winlite window, which nobody sees. The page list is kept as
// static texts in it, one per entry, indented below its parent, so that the window holds what
// the Windows one shows.
#include "platform/win32.h"

#include "prefs/prefs_window.h"

namespace tessaly {

namespace {

constexpr const char* kFrameClass = "TessalyPreferencesFrame";
constexpr int kListWidth = 170;
constexpr int kMargin = 8;

bool register_frame_class() {
  static bool registered = false;
  if (registered)
    return true;
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.lpszClassName = kFrameClass;
  registered = RegisterClassA(&window_class) != 0;
  return registered;
}

} // namespace

struct PreferencesWindow::Frame {
  std::vector<HWND> list;
};

bool PreferencesWindow::can_show() {
  return false;
}

HWND PreferencesWindow::create_frame(std::string* error) {
  if (!register_frame_class()) {
    *error = "cannot register the preferences window";
    return nullptr;
  }
  HWND window = CreateWindowExA(0, kFrameClass, kTitle, WS_POPUP, 0, 0, 700, 540, nullptr, nullptr,
                                nullptr, nullptr);
  if (!window) {
    *error = "cannot create the preferences window";
    return nullptr;
  }
  frame_ = new Frame;
  return window;
}

void PreferencesWindow::show_page_list() {
  for (HWND line : frame_->list)
    DestroyWindow(line);
  frame_->list.clear();
  int y = kMargin;
  auto add = [&](const PageListEntry& entry, int depth, auto& self) -> void {
    frame_->list.push_back(CreateWindowExA(0, "Static", entry.name.c_str(), WS_CHILD | WS_VISIBLE,
                                           kMargin + 16 * depth, y, kListWidth - 16 * depth, 16,
                                           window_, nullptr, nullptr, nullptr));
    y += 18;
    for (const PageListEntry& child : entry.children)
      self(child, depth + 1, self);
  };
  for (const PageListEntry& entry : list_)
    add(entry, 0, add);
}

void PreferencesWindow::place_page() {}

void PreferencesWindow::destroy_frame() {
  if (window_)
    DestroyWindow(window_);
  window_ = nullptr;
  delete frame_;
  frame_ = nullptr;
}

bool PreferencesWindow::run_frame(const std::function<void()>&, std::string* error) {
  *error = "showing the preferences window needs the Windows build (tessaly.exe)";
  return false;
}

void PreferencesWindow::pump_messages() {}

void replace_edit_text(HWND edit, const std::string& text) {
  SendMessageA(edit, EM_SETSEL, 0, -1);
  SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

} // namespace tessaly
