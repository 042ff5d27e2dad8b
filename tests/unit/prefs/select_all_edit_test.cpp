// Ctrl+A in the page's edits, typed as a keyboard types it.
#include "page_fixture.h"

#include "prefs/resource.h"

namespace {

using pagetest::MessageRecorder;
using pagetest::PageTest;

struct Selection {
  DWORD start, end;
};

Selection selection_of(HWND edit) {
  Selection selection = {0, 0};
  SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selection.start),
              reinterpret_cast<LPARAM>(&selection.end));
  return selection;
}

// Puts a recorder between the subclass and the edit's own procedure, to see what reaches it.
void record_what_reaches_the_edit(HWND edit, MessageRecorder& recorder) {
  MessageRecorder::active() = &recorder;
  recorder.previous = reinterpret_cast<WNDPROC>(GetWindowLongPtr(edit, GWLP_USERDATA));
  SetWindowLongPtr(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(MessageRecorder::procedure));
}

void stop_recording(HWND edit, MessageRecorder& recorder) {
  SetWindowLongPtr(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(recorder.previous));
  MessageRecorder::active() = nullptr;
}

// No modifier is needed, so this runs on both targets.
TEST_F(PageTest, PlainAReachesTheEdit) {
  ASSERT_NE(nullptr, open_page({"Hello", "", "", 1}));
  HWND edit = GetDlgItem(page, IDC_HEADER);
  SendMessage(edit, EM_SETSEL, 2, 2);
  MessageRecorder recorder;
  record_what_reaches_the_edit(edit, recorder);
  testwin::type_key(edit, 'A', 'a');
  stop_recording(edit, recorder);
  EXPECT_TRUE(recorder.saw(WM_KEYDOWN, 'A'));
  EXPECT_STREQ("Heallo", vorlane::settings::header.get_text());
  Selection selection = selection_of(edit);
  EXPECT_EQ(3u, selection.start);
  EXPECT_EQ(3u, selection.end);
}

TEST_F(PageTest, CtrlASelectsAllAndOtherChordsReachTheEdit) {
  if (!testwin::can_set_key_state())
    GTEST_SKIP() << "GetAsyncKeyState cannot be driven from inside the process under Wine; "
                    "the GUI test types Ctrl+A through the X server instead";
  const struct {
    const char* name;
    bool control, shift, alt;
    int key;
    char character; // what the keyboard produces
    bool selects_all;
    const char* text_after;
  } rows[] = {
      {"Ctrl+A", true, false, false, 'A', '\x01', true, "Hello"},
      {"Ctrl+Shift+A", true, true, false, 'A', '\x01', true, "Hello"},
      {"Ctrl+Alt+A", true, false, true, 'A', 0, false, "Hello"},
      {"Alt+A", false, false, true, 'A', 'a', false, "Hello"},
      {"A", false, false, false, 'A', 'a', false, "Heallo"},
      {"Shift+A", false, true, false, 'A', 'A', false, "HeAllo"},
      {"Ctrl+B", true, false, false, 'B', '\x02', false, "Hello"},
  };
  for (int id : {IDC_HEADER, IDC_FOOTER, IDC_FORMAT}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(testing::Message() << row.name << " in edit " << id);
      ASSERT_NE(nullptr, open_page({"Hello", "Hello", "Hello", 1}));
      HWND edit = GetDlgItem(page, id);
      SendMessage(edit, EM_SETSEL, 2, 2);
      MessageRecorder recorder;
      record_what_reaches_the_edit(edit, recorder);
      testwin::set_key_state(VK_CONTROL, row.control);
      testwin::set_key_state(VK_SHIFT, row.shift);
      testwin::set_key_state(VK_MENU, row.alt);
      testwin::type_key(edit, row.key, row.character);
      for (int key : {VK_CONTROL, VK_SHIFT, VK_MENU})
        testwin::set_key_state(key, false);
      stop_recording(edit, recorder);

      Selection selection = selection_of(edit);
      if (row.selects_all) {
        EXPECT_FALSE(recorder.saw(WM_KEYDOWN, static_cast<WPARAM>(row.key)))
            << "the key went on to the edit";
        EXPECT_EQ(0u, selection.start);
        EXPECT_EQ(5u, selection.end);
      } else {
        EXPECT_TRUE(recorder.saw(WM_KEYDOWN, static_cast<WPARAM>(row.key)) ||
                    recorder.saw(WM_SYSKEYDOWN, static_cast<WPARAM>(row.key)))
            << "the key did not reach the edit";
        EXPECT_FALSE(selection.start == 0 && selection.end == 5) << "everything was selected";
      }
      EXPECT_EQ(row.text_after, pagetest::item_text(page, id));
      EXPECT_EQ(row.text_after, std::string(pagetest::setting_text(id)));
      close_page();
    }
  }
}

} // namespace
