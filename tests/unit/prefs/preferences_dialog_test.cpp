// Dialog 101 as the system builds it: every control's class, id, text, style and geometry.
#include <cctype>

#include "page_fixture.h"

namespace {

using pagetest::PageTest;
using pagetest::Settings;

constexpr DWORD kGroup = WS_CHILD | WS_VISIBLE | BS_GROUPBOX;
constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE |
                        ES_AUTOVSCROLL | ES_WANTRETURN;
constexpr DWORD kCheck = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kPush = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

struct ControlRow {
  int id;
  const char* class_name;
  const char* text;
  DWORD style;
  LONG x, y, width, height; // dialog units
};

const ControlRow kControls[] = {
    {-1, "BUTTON", "Header", kGroup, 7, 7, 307, 58},
    {1002, "EDIT", "", kEdit, 14, 16, 294, 45},
    {-1, "BUTTON", "Entry Format", kGroup, 7, 66, 307, 107},
    {1003, "EDIT", "", kEdit, 14, 75, 294, 94},
    {-1, "BUTTON", "Footer", kGroup, 7, 175, 307, 58},
    {1001, "EDIT", "", kEdit, 14, 184, 294, 45},
    {-1, "BUTTON", "Options", kGroup, 7, 234, 151, 47},
    {1004, "BUTTON", "Auto Append $crlf()", kCheck, 14, 244, 79, 10},
    {1006, "BUTTON", "Load Config", kPush, 264, 267, 50, 14},
    {1007, "BUTTON", "Save Config", kPush, 264, 250, 50, 14},
    {1008, "BUTTON", "Reset Config", kPush, 210, 267, 50, 14},
};

std::string upper(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Where a control of this row lies in pixels: the dialog manager maps its position and its size
// each on their own.
RECT expected_rect(HWND page, const ControlRow& row) {
  RECT position = {row.x, row.y, row.x, row.y};
  RECT size = {0, 0, row.width, row.height};
  MapDialogRect(page, &position);
  MapDialogRect(page, &size);
  return {position.left, position.top, position.left + size.right, position.top + size.bottom};
}

// The settings are empty so that the edits' texts are those of the template.
const Settings kEmpty = {"", "", "", 1};

TEST_F(PageTest, Dialog101HasTheElevenControlsInOrder) {
  ASSERT_NE(nullptr, open_page(kEmpty));
  std::vector<HWND> controls = testwin::children(page);
  ASSERT_EQ(std::size(kControls), controls.size());
  for (size_t i = 0; i < controls.size(); ++i) {
    const ControlRow& row = kControls[i];
    HWND control = controls[i];
    SCOPED_TRACE(testing::Message()
                 << "control " << i + 1 << " (id " << row.id << ", \"" << row.text << "\")");
    EXPECT_EQ(row.class_name, upper(testwin::class_name(control)));
    EXPECT_EQ(row.id, GetDlgCtrlID(control));
    EXPECT_EQ(row.text, pagetest::window_text(control));
    DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    DWORD dropped = testwin::style_bits_dropped_by(row.class_name);
    EXPECT_EQ(row.style & ~dropped, style & ~dropped)
        << std::hex << "style wanted 0x" << row.style << ", got 0x" << style;
    RECT want = expected_rect(page, row);
    RECT got = testwin::child_rect(control);
    EXPECT_TRUE(want.left == got.left && want.top == got.top && want.right == got.right &&
                want.bottom == got.bottom)
        << "rectangle wanted (" << want.left << ", " << want.top << ")-(" << want.right << ", "
        << want.bottom << "), got (" << got.left << ", " << got.top << ")-(" << got.right << ", "
        << got.bottom << ")";
  }
}

TEST_F(PageTest, Dialog101IsAHiddenChildOfItsParent) {
  ASSERT_NE(nullptr, open_page(kEmpty));
  EXPECT_EQ(parent, GetParent(page));
  DWORD style = static_cast<DWORD>(GetWindowLongA(page, GWL_STYLE));
  EXPECT_TRUE(style & WS_CHILD) << std::hex << "style 0x" << style;
  EXPECT_FALSE(style & WS_VISIBLE) << std::hex << "style 0x" << style;
  const ControlRow whole = {0, "", "", 0, 0, 0, 321, 288};
  RECT want = expected_rect(page, whole);
  RECT got = testwin::child_rect(page);
  EXPECT_EQ(want.right - want.left, got.right - got.left);
  EXPECT_EQ(want.bottom - want.top, got.bottom - got.top);
  EXPECT_EQ(0, got.left);
  EXPECT_EQ(0, got.top);
}

// The template is a child dialog, and a child needs a parent.
TEST_F(PageTest, Dialog101WithoutParentIsNotCreated) {
  HWND orphan = service->create_window(nullptr);
  EXPECT_EQ(nullptr, orphan);
  if (orphan)
    DestroyWindow(orphan);
}

TEST_F(PageTest, PageNamesItself) {
  EXPECT_STREQ("Custom", service->page_name());
  EXPECT_STREQ("Telvane", service->parent_page_name());
  EXPECT_EQ(nullptr, service->query(&vorlane::kPreferencesPageClass));
}

} // namespace
