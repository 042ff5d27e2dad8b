// The page's behaviour, driven by real messages to its controls.
#include "page_fixture.h"

#include "prefs/resource.h"

namespace {

using pagetest::item_text;
using pagetest::MessageRecorder;
using pagetest::PageTest;
using pagetest::setting_text;
using pagetest::Settings;

using pagetest::kWide;

TEST_F(PageTest, InitDialogShowsTheSettings) {
  const struct {
    Settings settings;
    UINT check_shown;
  } rows[] = {
      {{"%artist% \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "footer", "line 1\r\nline 2", 1},
       BST_CHECKED},
      {{"", "", "", 0}, BST_UNCHECKED},
      // A loaded file can store 2: the box cannot show more than ticked.
      {{"h", "f", "e", 2}, BST_CHECKED},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << "header \"" << row.settings.header << "\", autocrlf " << row.settings.autocrlf);
    ASSERT_NE(nullptr, open_page(row.settings));
    EXPECT_EQ(row.settings.header, item_text(page, IDC_HEADER));
    EXPECT_EQ(row.settings.footer, item_text(page, IDC_FOOTER));
    EXPECT_EQ(row.settings.format, item_text(page, IDC_FORMAT));
    EXPECT_EQ(row.check_shown, IsDlgButtonChecked(page, IDC_AUTOCRLF));
    // Showing them changed none of them.
    Settings now = Settings::current();
    EXPECT_EQ(row.settings.header, now.header);
    EXPECT_EQ(row.settings.footer, now.footer);
    EXPECT_EQ(row.settings.format, now.format);
    EXPECT_EQ(row.settings.autocrlf, now.autocrlf);
    close_page();
  }
}

TEST_F(PageTest, RefreshHandsTheStoredSwitchToTheCheckBoxUnchanged) {
  ASSERT_NE(nullptr, open_page({"", "", "", 1}));
  HWND box = GetDlgItem(page, IDC_AUTOCRLF);
  MessageRecorder recorder;
  MessageRecorder::active() = &recorder;
  recorder.previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MessageRecorder::procedure)));
  for (int32_t stored : {0, 1, 2, 7}) {
    recorder.seen.clear();
    vorlane::settings::autocrlf.set_value(stored);
    vorlane::RefreshControls(page);
    EXPECT_TRUE(recorder.saw(BM_SETCHECK, static_cast<WPARAM>(stored)))
        << "BM_SETCHECK did not carry " << stored;
  }
  SetWindowLongPtr(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recorder.previous));
  MessageRecorder::active() = nullptr;
}

TEST_F(PageTest, EditingStoresTheWholeTextOfThatEditOnly) {
  const Settings before = {"Header", "Footer", "Format", 0};
  const struct {
    int id;
    int32_t start, end; // the selection replaced
    const char* typed;
    std::string stored;
  } rows[] = {
      {IDC_HEADER, 0, -1, kWide, kWide},
      {IDC_FOOTER, 0, -1, "new footer", "new footer"},
      {IDC_FORMAT, 0, -1, "%title%\r\n", "%title%\r\n"},
      {IDC_HEADER, 1, 3, "XY", "HXYder"},
      {IDC_FORMAT, 6, 6, kWide, std::string("Format") + kWide},
      {IDC_FOOTER, 0, -1, "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "edit " << row.id << ", selection " << row.start << ".."
                                    << row.end << ", typed \"" << row.typed << "\"");
    ASSERT_NE(nullptr, open_page(before));
    HWND edit = GetDlgItem(page, row.id);
    SendMessage(edit, EM_SETSEL, static_cast<WPARAM>(row.start), row.end);
    testwin::replace_selection(edit, row.typed);
    EXPECT_EQ(row.stored, setting_text(row.id));
    EXPECT_EQ(row.stored, item_text(page, row.id));
    for (int other : {IDC_HEADER, IDC_FOOTER, IDC_FORMAT}) {
      if (other == row.id)
        continue;
      std::string expected = other == IDC_HEADER   ? before.header
                             : other == IDC_FOOTER ? before.footer
                                                   : before.format;
      EXPECT_EQ(expected, setting_text(other)) << "edit " << other << " changed";
    }
    EXPECT_EQ(0, vorlane::settings::autocrlf.get_value());
    close_page();
  }
}

TEST_F(PageTest, TypingStoresAfterEveryKeystroke) {
  ASSERT_NE(nullptr, open_page({"H", "F", "E", 1}));
  HWND edit = GetDlgItem(page, IDC_HEADER);
  SendMessage(edit, EM_SETSEL, 1, 1);
  const struct {
    int key;
    char character;
    const char* stored;
  } keys[] = {{'A', 'a', "Ha"}, {'B', 'b', "Hab"}, {0x20, ' ', "Hab "}, {'A', 'A', "Hab A"}};
  for (const auto& key : keys) {
    testwin::type_key(edit, key.key, key.character);
    EXPECT_STREQ(key.stored, vorlane::settings::header.get_text());
  }
  EXPECT_STREQ("F", vorlane::settings::footer.get_text());
  EXPECT_STREQ("E", vorlane::settings::format.get_text());
}

TEST_F(PageTest, SettingAnEditsTextDoesNotStoreIt) {
  for (int id : {IDC_HEADER, IDC_FOOTER, IDC_FORMAT}) {
    SCOPED_TRACE(testing::Message() << "edit " << id);
    ASSERT_NE(nullptr, open_page({"Header", "Footer", "Format", 1}));
    uSetDlgItemText(page, id, kWide);
    EXPECT_EQ(kWide, item_text(page, id));
    EXPECT_STREQ("Header", vorlane::settings::header.get_text());
    EXPECT_STREQ("Footer", vorlane::settings::footer.get_text());
    EXPECT_STREQ("Format", vorlane::settings::format.get_text());
    close_page();
  }
}

TEST_F(PageTest, ClickingTheCheckBoxStoresItsState) {
  const struct {
    int32_t stored;
    int32_t after_first, after_second;
  } rows[] = {{1, 0, 1}, {0, 1, 0}, {2, 0, 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "autocrlf " << row.stored);
    ASSERT_NE(nullptr, open_page({"h", "f", "e", row.stored}));
    HWND box = GetDlgItem(page, IDC_AUTOCRLF);
    SendMessage(box, BM_CLICK, 0, 0);
    EXPECT_EQ(row.after_first, vorlane::settings::autocrlf.get_value());
    SendMessage(box, BM_CLICK, 0, 0);
    EXPECT_EQ(row.after_second, vorlane::settings::autocrlf.get_value());
    EXPECT_STREQ("h", vorlane::settings::header.get_text());
    close_page();
  }
}

TEST_F(PageTest, ResetConfigRestoresTheDefaultsAndShowsThem) {
  const struct {
    const char* name;
    Settings settings;
    bool stale_controls; // the controls show something other than the settings
  } rows[] = {
      {"changed settings", {"Header", "Footer", "Format", 0}, false},
      {"settings at their defaults, stale controls", {"", "", "", 1}, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_NE(nullptr, open_page(row.settings));
    if (row.stale_controls) {
      for (int id : {IDC_HEADER, IDC_FOOTER, IDC_FORMAT})
        uSetDlgItemText(page, id, "stale");
      CheckDlgButton(page, IDC_AUTOCRLF, BST_UNCHECKED);
    }
    SendMessage(GetDlgItem(page, IDC_RESET_CONFIG), BM_CLICK, 0, 0);
    Settings now = Settings::current();
    EXPECT_EQ("", now.header);
    EXPECT_EQ("", now.footer);
    EXPECT_EQ("", now.format);
    EXPECT_EQ(1, now.autocrlf);
    for (int id : {IDC_HEADER, IDC_FOOTER, IDC_FORMAT})
      EXPECT_EQ("", item_text(page, id)) << "edit " << id;
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), IsDlgButtonChecked(page, IDC_AUTOCRLF));
    close_page();
  }
}

// Only BN_CLICKED starts a button's command. Load and Save show themselves through the file
// dialog they open, which takes the pending answer, and the error for a file no file system
// accepts.
TEST_F(PageTest, OnlyClicksStartTheButtonsCommands) {
  fake::Messages messages;
  host.add(vorlane::kMessageServiceClass, &messages);
  const char* path = "/nowhere/settings.tvc";
  constexpr WORD kDoubleClicked = 5;
  const struct {
    int id;
    WORD code;
    const char* message; // null: the command must not run
  } rows[] = {
      {IDC_LOAD_CONFIG, BN_CLICKED, "Error opening config file: \"/nowhere/settings.tvc\""},
      {IDC_LOAD_CONFIG, kDoubleClicked, nullptr},
      {IDC_LOAD_CONFIG, EN_CHANGE, nullptr},
      {IDC_SAVE_CONFIG, BN_CLICKED, "Can not save to file: \"/nowhere/settings.tvc\""},
      {IDC_SAVE_CONFIG, kDoubleClicked, nullptr},
      {IDC_RESET_CONFIG, BN_CLICKED, nullptr},
      {IDC_RESET_CONFIG, kDoubleClicked, nullptr},
      {IDC_RESET_CONFIG, EN_CHANGE, nullptr},
  };
  const Settings before = {"Header", "Footer", "Format", 0};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "control " << row.id << ", code " << row.code);
    ASSERT_NE(nullptr, open_page(before));
    messages.posted.clear();
    kestrel_answer_next_file_dialog(path);
    SendMessage(page, WM_COMMAND, MAKEWPARAM(row.id, row.code),
                reinterpret_cast<LPARAM>(GetDlgItem(page, row.id)));
    bool reset = row.id == IDC_RESET_CONFIG && row.code == BN_CLICKED;
    Settings now = Settings::current();
    EXPECT_EQ(reset ? "" : before.header, now.header);
    EXPECT_EQ(reset ? 1 : before.autocrlf, now.autocrlf);
    if (row.message) {
      ASSERT_EQ(1u, messages.posted.size());
      EXPECT_EQ(row.message, messages.posted[0].text);
    } else {
      EXPECT_EQ(0u, messages.posted.size());
      // The answer is still pending: no file dialog was opened.
      vorlane::Utf8String chosen;
      EXPECT_TRUE(uGetOpenFileName(page, "", 0, "", "", nullptr, &chosen, 0));
      EXPECT_STREQ(path, chosen.text());
    }
    close_page();
  }
  EXPECT_EQ(0, messages.outstanding());
}

// Only a change from an edit and a click from the check box or a button act. The controls here
// disagree with their settings, so a notification taken for a change or a click would store what
// they show, and a command would reset the settings or open a file dialog.
TEST_F(PageTest, OtherNotificationsAndMessagesAreIgnored) {
  fake::Messages messages;
  host.add(vorlane::kMessageServiceClass, &messages);
  const Settings before = {"Header", "Footer", "Format", 1};
  ASSERT_NE(nullptr, open_page(before));
  for (int id : {IDC_HEADER, IDC_FOOTER, IDC_FORMAT})
    uSetDlgItemText(page, id, "shown");
  CheckDlgButton(page, IDC_AUTOCRLF, BST_UNCHECKED);
  auto control = [this](int id) { return reinterpret_cast<LPARAM>(GetDlgItem(page, id)); };
  auto unchanged = [&](const char* what) {
    Settings now = Settings::current();
    EXPECT_TRUE(now.header == before.header && now.footer == before.footer &&
                now.format == before.format && now.autocrlf == before.autocrlf)
        << what << " changed the settings";
  };
  KestrelFileDialogCall dialogs = {};
  kestrel_last_file_dialog(&dialogs);

  // Edits: set focus, kill focus, update, text limit, and a click code. Check box and buttons:
  // change, double click, set focus, kill focus.
  const WORD edit_codes[] = {0x0100, 0x0200, 0x0400, 0x0501, BN_CLICKED};
  const WORD button_codes[] = {EN_CHANGE, 5, 6, 7};
  struct Command {
    int id;
    WORD code;
    LPARAM from;
  };
  std::vector<Command> commands;
  for (int id : {IDC_HEADER, IDC_FOOTER, IDC_FORMAT})
    for (WORD code : edit_codes)
      commands.push_back({id, code, control(id)});
  for (int id : {IDC_AUTOCRLF, IDC_LOAD_CONFIG, IDC_SAVE_CONFIG, IDC_RESET_CONFIG})
    for (WORD code : button_codes)
      commands.push_back({id, code, control(id)});
  // Ids the page does not have, sent as if from the header edit and the reset button.
  for (int id : {1000, 1005, 1009, 0xFFFF}) {
    commands.push_back({id, EN_CHANGE, control(IDC_HEADER)});
    commands.push_back({id, BN_CLICKED, control(IDC_RESET_CONFIG)});
  }
  for (const Command& command : commands) {
    testing::Message what;
    what << "WM_COMMAND from " << command.id << " with code 0x" << std::hex << command.code;
    kestrel_answer_next_file_dialog("cancel");
    EXPECT_EQ(0, vorlane::PreferencesDialogProc(page, WM_COMMAND,
                                                MAKEWPARAM(command.id, command.code), command.from))
        << what;
    unchanged(what.GetString().c_str());
  }

  // Other messages answer 0, even with the parameters of a click on "Reset Config".
  const UINT others[] = {0x0000 /* null */,   WM_CLOSE,   WM_DESTROY,
                         0x004E /* notify */, WM_KEYDOWN, 0x0112 /* system command */,
                         0x0113 /* timer */,  0x0400 /* first private message */};
  for (UINT message : others) {
    EXPECT_EQ(0, vorlane::PreferencesDialogProc(page, message,
                                                MAKEWPARAM(IDC_RESET_CONFIG, BN_CLICKED),
                                                control(IDC_RESET_CONFIG)))
        << "message 0x" << std::hex << message;
    unchanged("another message");
  }
  KestrelFileDialogCall after = {};
  kestrel_last_file_dialog(&after);
  EXPECT_EQ(dialogs.number, after.number) << "a file dialog was opened";
  EXPECT_TRUE(messages.posted.empty());

  // A command it acts on answers 0 as well.
  EXPECT_EQ(0, vorlane::PreferencesDialogProc(page, WM_COMMAND, MAKEWPARAM(IDC_HEADER, EN_CHANGE),
                                              control(IDC_HEADER)));
  EXPECT_STREQ("shown", vorlane::settings::header.get_text());

  // WM_INITDIALOG answers 1. Sent again it subclasses the edits a second time, so each edit's
  // previous procedure is put back afterwards.
  LONG_PTR previous[3];
  const int edits[] = {IDC_HEADER, IDC_FOOTER, IDC_FORMAT};
  for (int i = 0; i < 3; ++i)
    previous[i] = GetWindowLongPtr(GetDlgItem(page, edits[i]), GWLP_USERDATA);
  EXPECT_EQ(1, vorlane::PreferencesDialogProc(page, WM_INITDIALOG, 0, 0));
  for (int i = 0; i < 3; ++i)
    SetWindowLongPtr(GetDlgItem(page, edits[i]), GWLP_USERDATA, previous[i]);
}

TEST_F(PageTest, EditsAreSubclassedWithTheirPreviousProcedureKept) {
  ASSERT_NE(nullptr, open_page({"", "", "", 1}));
  HWND plain = testwin::create_edit(parent, ES_MULTILINE, 77);
  ASSERT_NE(nullptr, plain);
  LONG_PTR edit_procedure = GetWindowLongPtr(plain, GWLP_WNDPROC);
  DestroyWindow(plain);
  for (int id : {IDC_HEADER, IDC_FOOTER, IDC_FORMAT}) {
    HWND edit = GetDlgItem(page, id);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(vorlane::SelectAllEditProc),
              GetWindowLongPtr(edit, GWLP_WNDPROC))
        << "edit " << id;
    EXPECT_EQ(edit_procedure, GetWindowLongPtr(edit, GWLP_USERDATA)) << "edit " << id;
  }
  HWND box = GetDlgItem(page, IDC_AUTOCRLF);
  EXPECT_NE(reinterpret_cast<LONG_PTR>(vorlane::SelectAllEditProc),
            GetWindowLongPtr(box, GWLP_WNDPROC));
}

} // namespace
