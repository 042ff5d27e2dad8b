// The preferences window on Windows: a frame with the page list (a tree view) on the left, the
// open page on the right and a "Close" button below it.
#include "platform/win32.h"

#include <commctrl.h>

#include "prefs/prefs_window.h"
#include "support/utf16.h"

namespace tessaly {

namespace {

constexpr const wchar_t* kFrameClass = L"TessalyPreferencesFrame";
constexpr int kMargin = 8;
constexpr int kListWidth = 170;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;
constexpr int kCloseId = 100;
// The size of the page area before a page has given its own.
constexpr int kDefaultPageWidth = 482;
constexpr int kDefaultPageHeight = 468;

LRESULT CALLBACK frame_procedure(HWND window, UINT message, WPARAM first, LPARAM second);

bool register_frame_class() {
  static bool registered = false;
  if (registered)
    return true;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = frame_procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kFrameClass;
  registered = RegisterClassExW(&window_class) != 0;
  return registered;
}

} // namespace

struct PreferencesWindow::Frame {
  PreferencesWindow* owner = nullptr;
  HWND tree = nullptr;
  HWND hint = nullptr;
  HWND close = nullptr;
  std::vector<std::pair<HTREEITEM, const PageListEntry*>> items;
  HWND last_focus = nullptr;
  // The page area keeps the size of the last page shown, so choosing a name that is no page
  // does not resize the window.
  int page_width = kDefaultPageWidth;
  int page_height = kDefaultPageHeight;
  bool running = false;
  // Set while the host itself changes the tree's selection.
  bool selecting = false;

  void add_items(const std::vector<PageListEntry>& entries, HTREEITEM parent) {
    for (const PageListEntry& entry : entries) {
      std::wstring text = widen(entry.name);
      TVINSERTSTRUCTW insert = {};
      insert.hParent = parent;
      insert.hInsertAfter = TVI_LAST;
      insert.item.mask = TVIF_TEXT;
      insert.item.pszText = text.data();
      auto item = reinterpret_cast<HTREEITEM>(
          SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
      items.push_back({item, &entry});
      add_items(entry.children, item);
      if (!entry.children.empty())
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }
  }
  const PageListEntry* entry_of(HTREEITEM item) const {
    for (const auto& [handle, entry] : items) {
      if (handle == item)
        return entry;
    }
    return nullptr;
  }
  HTREEITEM item_of(const PreferencesPageInfo* page) const {
    for (const auto& [handle, entry] : items) {
      if (entry->page == page)
        return handle;
    }
    return nullptr;
  }
};

namespace {

LRESULT CALLBACK frame_procedure(HWND window, UINT message, WPARAM first, LPARAM second) {
  auto* frame =
      reinterpret_cast<PreferencesWindow::Frame*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
  case WM_NCCREATE: {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(second);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    break;
  }
  case WM_NOTIFY: {
    auto* header = reinterpret_cast<NMHDR*>(second);
    if (frame && header->hwndFrom == frame->tree && header->code == TVN_SELCHANGEDW &&
        !frame->selecting) {
      auto* change = reinterpret_cast<NMTREEVIEWW*>(second);
      if (const PageListEntry* entry = frame->entry_of(change->itemNew.hItem))
        frame->owner->user_selected(*entry);
    }
    return 0;
  }
  case WM_COMMAND:
    if (frame && LOWORD(first) == kCloseId && HIWORD(first) == BN_CLICKED)
      frame->owner->user_closed();
    return 0;
  case WM_CLOSE:
    if (frame)
      frame->owner->user_closed();
    return 0;
  case WM_ACTIVATE:
    if (frame && LOWORD(first) == WA_INACTIVE) {
      HWND focus = GetFocus();
      if (focus && IsChild(window, focus))
        frame->last_focus = focus;
    }
    break;
  case WM_SETFOCUS:
    if (frame) {
      HWND target = frame->last_focus && IsWindow(frame->last_focus) ? frame->last_focus : nullptr;
      HWND page = frame->owner->page();
      if (!target && page)
        target = GetNextDlgTabItem(page, nullptr, FALSE);
      if (target) {
        SetFocus(target);
        return 0;
      }
    }
    break;
  case WM_DESTROY:
    if (frame && frame->running)
      PostQuitMessage(0);
    break;
  default:
    break;
  }
  return DefWindowProcW(window, message, first, second);
}

} // namespace

bool PreferencesWindow::can_show() {
  return true;
}

HWND PreferencesWindow::create_frame(std::string* error) {
  if (!register_frame_class()) {
    *error =
        "cannot register the preferences window (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  frame_ = new Frame;
  frame_->owner = this;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND window =
      CreateWindowExW(WS_EX_CONTROLPARENT, kFrameClass, widen(kTitle).c_str(),
                      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                      CW_USEDEFAULT, CW_USEDEFAULT, 700, 540, nullptr, nullptr, instance, frame_);
  if (!window) {
    *error = "cannot create the preferences window (error " + std::to_string(GetLastError()) +
             "); Windows programs need a display";
    delete frame_;
    frame_ = nullptr;
    return nullptr;
  }
  auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  frame_->tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES |
                                     TVS_LINESATROOT | TVS_HASBUTTONS | TVS_SHOWSELALWAYS,
                                 0, 0, 0, 0, window, nullptr, instance, nullptr);
  frame_->hint =
      CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 0, 0, window, nullptr, instance, nullptr);
  frame_->close =
      CreateWindowExW(0, L"BUTTON", L"Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0,
                      0, 0, 0, window, reinterpret_cast<HMENU>(kCloseId), instance, nullptr);
  for (HWND control : {frame_->tree, frame_->hint, frame_->close})
    SendMessageW(control, WM_SETFONT, font, FALSE);
  return window;
}

void PreferencesWindow::show_page_list() {
  frame_->items.clear();
  SendMessageW(frame_->tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  frame_->add_items(list_, TVI_ROOT);
  place_page();
}

void PreferencesWindow::place_page() {
  if (!frame_)
    return;
  int& page_width = frame_->page_width;
  int& page_height = frame_->page_height;
  int page_x = kMargin + kListWidth + kMargin, page_y = kMargin;
  if (page_) {
    RECT bounds;
    GetWindowRect(page_, &bounds);
    page_width = bounds.right - bounds.left;
    page_height = bounds.bottom - bounds.top;
    SetWindowPos(page_, HWND_TOP, page_x, page_y, 0, 0, SWP_NOSIZE);
    ShowWindow(page_, SW_SHOW);
    ShowWindow(frame_->hint, SW_HIDE);
  } else {
    std::string name;
    HTREEITEM selected =
        reinterpret_cast<HTREEITEM>(SendMessageW(frame_->tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (const PageListEntry* entry = frame_->entry_of(selected))
      name =
          "\"" + entry->name + "\" has no settings of its own here; its pages are listed below it.";
    else if (pages_.empty())
      name = "No loaded module offers a preferences page.";
    SetWindowTextW(frame_->hint, widen(name).c_str());
    SetWindowPos(frame_->hint, nullptr, page_x, page_y, page_width, 40, SWP_NOZORDER);
    ShowWindow(frame_->hint, SW_SHOW);
  }
  int client_width = page_x + page_width + kMargin;
  int client_height = page_y + page_height + kMargin + kButtonHeight + kMargin;
  SetWindowPos(frame_->tree, nullptr, kMargin, kMargin, kListWidth, page_height, SWP_NOZORDER);
  SetWindowPos(frame_->close, nullptr, client_width - kMargin - kButtonWidth,
               client_height - kMargin - kButtonHeight, kButtonWidth, kButtonHeight, SWP_NOZORDER);
  RECT outer = {0, 0, client_width, client_height};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
  SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (HTREEITEM item = frame_->item_of(open_info_)) {
    frame_->selecting = true;
    SendMessageW(frame_->tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    frame_->selecting = false;
  }
}

void PreferencesWindow::destroy_frame() {
  if (!frame_)
    return;
  HWND window = window_;
  window_ = nullptr;
  if (window && IsWindow(window))
    DestroyWindow(window);
  // A window destroyed from its own message loop still has its procedure called for the last
  // messages; it must not find the frame freed.
  if (!frame_->running) {
    delete frame_;
    frame_ = nullptr;
  }
}

bool PreferencesWindow::run_frame(const std::function<void()>& after_message, std::string*) {
  frame_->running = true;
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  SetForegroundWindow(window_);
  SetFocus(window_);
  after_message();
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Escape closes the window wherever the focus is, as in any dialog; the page's multi-line
    // edits would otherwise keep it.
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE && window_ &&
        (message.hwnd == window_ || IsChild(window_, message.hwnd))) {
      user_closed();
      continue;
    }
    if (!page_ || !IsDialogMessageW(page_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    after_message();
  }
  Frame* frame = frame_;
  frame->running = false;
  if (!window_) {
    delete frame;
    frame_ = nullptr;
  }
  return true;
}

void PreferencesWindow::pump_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (!page_ || !IsDialogMessageW(page_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

void replace_edit_text(HWND edit, const std::string& text) {
  std::wstring wide = widen(text);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
}

} // namespace tessaly
