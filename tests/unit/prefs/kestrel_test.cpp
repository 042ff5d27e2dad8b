// kestrel as the page uses it: UTF-8 texts in and out of windows, file dialogs answered ahead,
// formatting into a sink.
#include <cstdarg>

#include "page_fixture.h"

namespace {

using pagetest::PageTest;

using pagetest::kWide;

std::string repeated(const char* text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i)
    out += text;
  return out;
}

const std::string kTexts[] = {
    "",
    "plain",
    kWide,
    std::string("two\r\nlines ") + kWide,
    repeated(kWide, 1000), // larger than any small buffer
};

TEST_F(PageTest, WindowTextsRoundTripAsUtf8) {
  ASSERT_NE(nullptr, open_page({"", "", "", 1}));
  HWND plain = testwin::create_edit(parent, ES_MULTILINE | ES_AUTOVSCROLL, 55);
  ASSERT_NE(nullptr, plain);
  const struct {
    const char* name;
    HWND dialog;
    int id;
  } targets[] = {
      {"header edit (subclassed)", page, IDC_HEADER},
      {"format edit (subclassed)", page, IDC_FORMAT},
      {"check box", page, IDC_AUTOCRLF},
      {"plain edit", parent, 55},
  };
  for (const auto& target : targets) {
    for (const std::string& text : kTexts) {
      SCOPED_TRACE(testing::Message() << target.name << ", " << text.size() << " bytes");
      EXPECT_TRUE(uSetDlgItemText(target.dialog, target.id, text.c_str()));
      vorlane::Utf8String out;
      out.assign_text("left over");
      EXPECT_TRUE(uGetWindowText(GetDlgItem(target.dialog, target.id), &out));
      EXPECT_EQ(text, out.text());
      EXPECT_EQ(text.size(), out.length());
    }
  }
  DestroyWindow(plain);
}

TEST_F(PageTest, WindowTextOfNoWindowIsEmpty) {
  vorlane::Utf8String out;
  out.assign_text("left over");
  EXPECT_FALSE(uGetWindowText(nullptr, &out));
  EXPECT_STREQ("", out.text());
}

TEST(KestrelFileDialog, AnswerIsReturnedOrCancels) {
  const std::string wide_path = std::string("C:\\Users\\") + kWide + "\\page.tvc";
  const struct {
    const char* answer;
    BOOL save;
    BOOL result;
    std::string chosen; // the sink afterwards; it holds "before" when the call starts
  } rows[] = {
      {"/home/user/page.tvc", 0, TRUE, "/home/user/page.tvc"},
      {wide_path.c_str(), 1, TRUE, wide_path},
      {"cancel", 0, FALSE, "before"},
      {"cancel", 1, FALSE, "before"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "answer \"" << row.answer << "\", save " << row.save);
    kestrel_answer_next_file_dialog(row.answer);
    vorlane::Utf8String chosen;
    chosen.assign_text("before");
    EXPECT_EQ(row.result, uGetOpenFileName(nullptr, "Config Files (*.tvc)|*.tvc", 0, "tvc",
                                           "Load Configuration", nullptr, &chosen, row.save));
    EXPECT_EQ(row.chosen, chosen.text());
  }
}

TEST(KestrelFileDialog, LaterAnswerReplacesEarlierOne) {
  kestrel_answer_next_file_dialog("/first.tvc");
  kestrel_answer_next_file_dialog("/second.tvc");
  vorlane::Utf8String chosen;
  EXPECT_TRUE(uGetOpenFileName(nullptr, "", 0, "", "", nullptr, &chosen, 0));
  EXPECT_STREQ("/second.tvc", chosen.text());
}

// Natively there is no dialog to show, so a call without an answer cancels.
TEST(KestrelFileDialog, AnswerIsUsedOnceAndCanBeWithdrawn) {
  if (testwin::has_real_file_dialog())
    GTEST_SKIP() << "on Windows a call without an answer opens the real file dialog";
  vorlane::Utf8String chosen;
  kestrel_answer_next_file_dialog("/once.tvc");
  EXPECT_TRUE(uGetOpenFileName(nullptr, "", 0, "", "", nullptr, &chosen, 0));
  chosen.assign_text("before");
  EXPECT_FALSE(uGetOpenFileName(nullptr, "", 0, "", "", nullptr, &chosen, 0));
  EXPECT_STREQ("before", chosen.text());
  kestrel_answer_next_file_dialog("/withdrawn.tvc");
  kestrel_answer_next_file_dialog(nullptr);
  EXPECT_FALSE(uGetOpenFileName(nullptr, "", 0, "", "", nullptr, &chosen, 1));
  EXPECT_STREQ("before", chosen.text());
}

BOOL print(vorlane::StringSink* out, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  BOOL result = uPrintfV(out, format, arguments);
  va_end(arguments);
  return result;
}

TEST(KestrelPrintf, StringArgumentsReplaceTheSinksText) {
  const std::string long_text = repeated("0123456789", 40);
  const struct {
    const char* format;
    std::string argument;
    std::string expected;
  } rows[] = {
      {"%s", kWide, kWide},
      {"[%s]", "", "[]"},
      {"Error opening config file: \"%s\"", "/a b/c.tvc",
       "Error opening config file: \"/a b/c.tvc\""},
      {"%s", long_text, long_text},
      {"<%s>", long_text, "<" + long_text + ">"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << "format \"" << row.format << "\", " << row.argument.size() << " bytes");
    vorlane::Utf8String out;
    out.assign_text("old text");
    EXPECT_TRUE(print(&out, row.format, row.argument.c_str()));
    EXPECT_EQ(row.expected, out.text());
    EXPECT_EQ(row.expected.size(), out.length());
  }
}

} // namespace
