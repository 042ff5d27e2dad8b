// The window behaviour the page relies on, checked alike against the real user32 (under Wine)
// and against winlite, so that the native model cannot drift from the real one. ASCII texts
// only: the A functions are ANSI on Windows and UTF-8 in winlite.
#include "page_fixture.h"

namespace {

using pagetest::MessageRecorder;
using pagetest::PageTest;

size_t count(const MessageRecorder& recorder, UINT message, WPARAM first) {
  size_t n = 0;
  for (const auto& seen : recorder.seen)
    n += seen.message == message && seen.first == first;
  return n;
}

class WindowModel : public PageTest {
protected:
  void SetUp() override {
    PageTest::SetUp();
    MessageRecorder::active() = &parent_messages;
    parent_messages.previous = reinterpret_cast<WNDPROC>(SetWindowLongPtr(
        parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MessageRecorder::procedure)));
  }
  void TearDown() override {
    SetWindowLongPtr(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(parent_messages.previous));
    MessageRecorder::active() = nullptr;
    PageTest::TearDown();
  }
  HWND child(const char* window_class, DWORD style, int id) {
    return CreateWindowExA(0, window_class, "", style | WS_CHILD | WS_VISIBLE, 0, 0, 100, 20,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                           nullptr);
  }

  MessageRecorder parent_messages;
};

TEST_F(WindowModel, EditSelection) {
  const struct {
    int32_t start, end;
    DWORD want_start, want_end;
  } rows[] = {
      {0, -1, 0, 5}, {1, 3, 1, 3}, {3, 1, 1, 3}, {2, 99, 2, 5}, {-1, 0, 3, 3}, {5, 5, 5, 5},
  };
  HWND edit = child("EDIT", ES_MULTILINE, 10);
  ASSERT_NE(nullptr, edit);
  SetWindowTextA(edit, "Hello");
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "EM_SETSEL " << row.start << ", " << row.end);
    SendMessageA(edit, EM_SETSEL, 1, 3); // caret at 3
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(row.start), row.end);
    DWORD start = 0, end = 0;
    LRESULT both = SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(row.want_start, start);
    EXPECT_EQ(row.want_end, end);
    EXPECT_EQ(MAKELRESULT(row.want_start, row.want_end), both);
  }
  DestroyWindow(edit);
}

TEST_F(WindowModel, EditNotifications) {
  const struct {
    const char* name;
    DWORD style;
    bool set_text_notifies;
  } rows[] = {{"multi-line", ES_MULTILINE, false}, {"single-line", 0, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HWND edit = child("EDIT", row.style, 11);
    ASSERT_NE(nullptr, edit);
    const WPARAM change = MAKEWPARAM(11, EN_CHANGE);
    parent_messages.seen.clear();
    SetWindowTextA(edit, "abc");
    EXPECT_EQ(row.set_text_notifies ? 1u : 0u, count(parent_messages, WM_COMMAND, change));
    parent_messages.seen.clear();
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("xyz"));
    EXPECT_EQ(1u, count(parent_messages, WM_COMMAND, change));
    parent_messages.seen.clear();
    SendMessageA(edit, WM_CHAR, 'q', 1);
    EXPECT_EQ(1u, count(parent_messages, WM_COMMAND, change));
    char text[16] = {};
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ("xyzq", text);
    DestroyWindow(edit);
  }
}

TEST_F(WindowModel, ButtonCheckStates) {
  const struct {
    const char* name;
    DWORD style;
    WPARAM set;
    LRESULT shown;
    LRESULT after_click;
  } rows[] = {
      {"auto check box, 1", BS_AUTOCHECKBOX, 1, 1, 0},
      {"auto check box, 2", BS_AUTOCHECKBOX, 2, 1, 0},
      {"auto check box, 0", BS_AUTOCHECKBOX, 0, 0, 1},
      {"check box", BS_CHECKBOX, 1, 1, 1},
      {"auto three-state, 1", BS_AUTO3STATE, 1, 1, 2},
      {"auto three-state, 2", BS_AUTO3STATE, 2, 2, 0},
      {"push button", BS_PUSHBUTTON, 1, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HWND button = child("BUTTON", row.style, 12);
    ASSERT_NE(nullptr, button);
    SendMessageA(button, BM_SETCHECK, row.set, 0);
    EXPECT_EQ(row.shown, SendMessageA(button, BM_GETCHECK, 0, 0));
    parent_messages.seen.clear();
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(row.after_click, SendMessageA(button, BM_GETCHECK, 0, 0));
    EXPECT_EQ(1u, count(parent_messages, WM_COMMAND, MAKEWPARAM(12, BN_CLICKED)));
    DestroyWindow(button);
  }
}

// A dialog procedure of the test's own on dialog 101.
struct DialogLog {
  WPARAM init_focus = 0;
  LPARAM init_parameter = 0;
  bool children_alive_at_destroy = false;
  int destroys = 0;
};
DialogLog* dialog_log = nullptr;
constexpr UINT kAnswered = 0x0400 + 1; // WM_USER + 1: handled, answer in DWLP_MSGRESULT
constexpr UINT kIgnored = 0x0400 + 2;

INT_PTR CALLBACK logging_dialog_proc(HWND dialog, UINT message, WPARAM first, LPARAM second) {
  switch (message) {
  case WM_INITDIALOG:
    dialog_log->init_focus = first;
    dialog_log->init_parameter = second;
    return TRUE;
  case kAnswered:
    SetWindowLongPtr(dialog, DWLP_MSGRESULT, 42);
    return TRUE;
  case kIgnored:
    SetWindowLongPtr(dialog, DWLP_MSGRESULT, 42);
    return FALSE;
  case WM_DESTROY:
    ++dialog_log->destroys;
    dialog_log->children_alive_at_destroy = IsWindow(GetDlgItem(dialog, 1002)) != FALSE;
    return FALSE;
  default:
    return FALSE;
  }
}

TEST_F(WindowModel, DialogManager) {
  DialogLog log;
  dialog_log = &log;
  HWND dialog =
      CreateDialogParamA(test_instance(), MAKEINTRESOURCEA(101), parent, logging_dialog_proc, 1234);
  ASSERT_NE(nullptr, dialog);
  HWND header = GetDlgItem(dialog, 1002);
  // The focus offered is the first control that takes it.
  EXPECT_EQ(reinterpret_cast<WPARAM>(header), log.init_focus);
  EXPECT_EQ(1234, log.init_parameter);
  EXPECT_EQ(42, SendMessageA(dialog, kAnswered, 0, 0));
  EXPECT_EQ(0, SendMessageA(dialog, kIgnored, 0, 0));
  // What the procedure leaves alone the default processing does.
  SetWindowTextA(dialog, "title");
  char text[16] = {};
  GetWindowTextA(dialog, text, sizeof text);
  EXPECT_STREQ("title", text);
  EXPECT_TRUE(DestroyWindow(dialog));
  EXPECT_EQ(1, log.destroys);
  EXPECT_TRUE(log.children_alive_at_destroy);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(IsWindow(header));
  EXPECT_FALSE(DestroyWindow(dialog));
  dialog_log = nullptr;
}

} // namespace
