// tessaly prefs: the "Custom" preferences page driven from the command line the way a user
// drives it, through its controls: typing replaces a box's text, clicks tick the box and press
// the buttons, and the file dialog is answered with the file given.
#include <cstdio>

#include "cli/commands.h"
#include "platform/kestrel/kestrel.h"
#include "prefs/prefs_window.h"
#include "support/files.h"
#include "support/settings_text.h"

namespace tessaly {

namespace {

constexpr const char* kPageName = "Custom";
constexpr const char* kParentPageName = "Telvane";

// The page's controls.
constexpr int kFooterBox = 1001;
constexpr int kHeaderBox = 1002;
constexpr int kFormatBox = 1003;
constexpr int kLineEndBox = 1004;
constexpr int kLoadButton = 1006;
constexpr int kSaveButton = 1007;
constexpr int kResetButton = 1008;

// In the order --show prints them.
const struct {
  const char* name;
  int control;
  const char* box; // for messages
} kSettings[] = {
    {"header", kHeaderBox, "Header"},
    {"format", kFormatBox, "Entry Format"},
    {"footer", kFooterBox, "Footer"},
    {"autocrlf", kLineEndBox, "Auto Append $crlf()"},
};

struct Action {
  enum Kind { SetText, SetSwitch, Load, Save, Reset, Show, Gui } kind;
  std::string argument; // the option as given, for messages
  const char* setting = nullptr;
  int control = 0;
  std::string value;
  const char* box = nullptr; // the control's label, for messages
};

// An option as messages quote it: a long text is cut (at a character boundary) to keep the
// message readable.
std::string quoted_briefly(const std::string& option) {
  constexpr size_t kLongest = 60;
  if (option.size() <= kLongest)
    return option;
  size_t cut = kLongest - 3;
  while (cut > 0 && (static_cast<unsigned char>(option[cut]) & 0xC0) == 0x80)
    --cut;
  return option.substr(0, cut) + "...";
}

int parse_actions(const Arguments& arguments, std::vector<Action>* actions,
                  std::string* report_file) {
  const Command& self = command_named("prefs");
  if (arguments.empty())
    return usage_error(self, "needs an action");
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    auto operand = [&]() -> const std::string* {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty())
        return nullptr;
      return &arguments[++i];
    };
    if (option == "--set") {
      const std::string* assignment = operand();
      if (!assignment)
        return usage_error(self, "--set needs NAME=VALUE");
      size_t equals = assignment->find('=');
      std::string name = assignment->substr(0, equals);
      const char* setting = nullptr;
      const char* box = nullptr;
      int control = 0;
      for (const auto& known : kSettings) {
        if (name == known.name)
          setting = known.name, control = known.control, box = known.box;
      }
      if (equals == std::string::npos || !setting)
        return usage_error(self, "--set takes header=TEXT, format=TEXT, footer=TEXT or "
                                 "autocrlf=0|1, not '" +
                                     quoted_briefly(*assignment) + "'");
      std::string value = assignment->substr(equals + 1);
      Action action{Action::SetText, "--set " + *assignment, setting, control, {}, box};
      if (control == kLineEndBox) {
        if (value != "0" && value != "1")
          return usage_error(self, "autocrlf is 0 or 1, not '" + quoted_briefly(value) + "'");
        action.kind = Action::SetSwitch;
        action.value = value;
      } else {
        std::string problem;
        if (!unescape_text(value, &action.value, &problem))
          return usage_error(self, "--set " + name + ": " + problem);
      }
      actions->push_back(std::move(action));
    } else if (option == "--load" || option == "--save") {
      const std::string* file = operand();
      if (!file)
        return usage_error(self, option + " needs a FILE");
      bool load = option == "--load";
      actions->push_back({load ? Action::Load : Action::Save, option + " " + *file, nullptr,
                          load ? kLoadButton : kSaveButton, *file});
    } else if (option == "--reset") {
      actions->push_back({Action::Reset, option, nullptr, kResetButton, {}});
    } else if (option == "--show") {
      actions->push_back({Action::Show, option, nullptr, 0, {}});
    } else if (option == "--gui") {
      if (!PreferencesWindow::can_show()) {
        std::fprintf(stderr, "tessaly prefs: --gui needs the Windows build (tessaly.exe); this "
                             "one has no windows to show\n");
        return kUsageError;
      }
      actions->push_back({Action::Gui, option, nullptr, 0, {}});
    } else if (option == "--report") {
      const std::string* file = operand();
      if (!file)
        return usage_error(self, "--report needs a FILE");
      *report_file = *file;
    } else {
      return usage_error(self, "unknown action '" + quoted_briefly(option) + "'");
    }
  }
  bool gui = false;
  for (size_t i = 0; i < actions->size(); ++i) {
    if ((*actions)[i].kind != Action::Gui)
      continue;
    if (i + 1 != actions->size())
      return usage_error(self, "--gui comes after every other action");
    gui = true;
  }
  if (!report_file->empty() && !gui)
    return usage_error(self, "--report goes with --gui");
  if (actions->empty())
    return usage_error(self, "needs an action");
  return kDone;
}

// Runs the actions on the open page of window, for the module that offers it.
class PageDriver {
public:
  PageDriver(PreferencesWindow& window, LoadedModule& module) : window_(window), module_(module) {}

  // The module's settings as it stores them now; false (reported) when a setting is missing.
  bool read_settings(std::vector<ConfigRecord>* settings) {
    std::vector<ConfigRecord> records;
    if (!parse_config_block(current_config_block(*module_.client), &records)) {
      Host::report(module_.file_name + ": its configuration block is damaged");
      return false;
    }
    settings->clear();
    for (const auto& known : kSettings) {
      const ConfigRecord* found = nullptr;
      for (const ConfigRecord& record : records) {
        if (record.name == known.name)
          found = &record;
      }
      int32_t number;
      if (!found || (known.control == kLineEndBox && !int_of_value(found->value, &number))) {
        Host::report(module_.file_name + ": it stores no setting " + known.name);
        return false;
      }
      settings->push_back(*found);
    }
    return true;
  }

  // NAME=VALUE lines, as --show prints them.
  bool settings_text(std::string* text) {
    std::vector<ConfigRecord> settings;
    if (!read_settings(&settings))
      return false;
    text->clear();
    for (const ConfigRecord& setting : settings) {
      std::string value = value_of(setting);
      *text +=
          setting.name + "=" + (setting.name == "autocrlf" ? value : escape_text(value)) + "\n";
    }
    return true;
  }

  // One setting's value: a text as it is, the switch as a decimal number.
  bool setting(const char* name, std::string* value) {
    std::vector<ConfigRecord> settings;
    if (!read_settings(&settings))
      return false;
    for (const ConfigRecord& record : settings) {
      if (record.name == name)
        *value = value_of(record);
    }
    return true;
  }

  static std::string value_of(const ConfigRecord& record) {
    int32_t number;
    if (record.name == "autocrlf" && int_of_value(record.value, &number))
      return std::to_string(number);
    return record.value;
  }

  HWND control(int id) {
    HWND found = GetDlgItem(window_.page(), id);
    if (!found)
      Host::report("the page has no control " + std::to_string(id));
    return found;
  }

  void click(HWND button) {
    SendMessageA(button, BM_CLICK, 0, 0);
    window_.handle_pending_messages();
  }

  bool set_text(const Action& action) {
    HWND box = control(action.control);
    if (!box)
      return false;
    replace_edit_text(box, action.value);
    window_.handle_pending_messages();
    std::string stored;
    if (!setting(action.setting, &stored))
      return false;
    if (stored != action.value) {
      Host::report(std::string("the ") + action.box + " box took " + std::to_string(stored.size()) +
                   " of the " + std::to_string(action.value.size()) +
                   " bytes given; the setting holds what the box holds");
      return false;
    }
    return true;
  }

  bool set_switch(const Action& action) {
    HWND box = control(kLineEndBox);
    if (!box)
      return false;
    // A loaded file can leave a value other than 0 or 1, which shows as ticked: clicking twice
    // may be needed, as it would be for the user.
    std::string stored;
    for (int clicks = 0; clicks <= 2; ++clicks) {
      if (!setting(action.setting, &stored))
        return false;
      if (stored == action.value)
        return true;
      if (clicks < 2)
        click(box);
    }
    Host::report("autocrlf is " + stored + " after clicking the box twice");
    return false;
  }

  bool use_file(const Action& action) {
    HWND button = control(action.control);
    if (!button)
      return false;
    if (action.kind == Action::Load && !fits_a_configuration(action.value))
      return false;
    kestrel_answer_next_file_dialog(action.value.c_str());
    click(button);
    // An answer the page did not ask for must not reach a later dialog.
    kestrel_answer_next_file_dialog(nullptr);
    return true;
  }

  // No configuration file is longer than three texts of 65,535 bytes with their lengths and the
  // switch. A longer local file is some other file given by mistake; it is refused before the
  // page reads from it.
  static bool fits_a_configuration(const std::string& path) {
    constexpr long kLargest = 3 * (2 + 65535) + 1;
    std::FILE* file = is_directory(path) ? nullptr : open_file(path, "rb");
    if (!file)
      return true; // the page reports what it cannot open
    long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    std::fclose(file);
    if (size <= kLargest)
      return true;
    Host::report(path + ": " + std::to_string(size) +
                 " bytes is more than a configuration file holds (at most " +
                 std::to_string(kLargest) + "); nothing was loaded");
    return false;
  }

  bool run(const Action& action, const std::string& report_file) {
    switch (action.kind) {
    case Action::SetText:
      return set_text(action);
    case Action::SetSwitch:
      return set_switch(action);
    case Action::Load:
    case Action::Save:
      return use_file(action);
    case Action::Reset: {
      HWND button = control(action.control);
      if (button)
        click(button);
      return button != nullptr;
    }
    case Action::Show: {
      std::string text;
      if (!settings_text(&text))
        return false;
      std::fwrite(text.data(), 1, text.size(), stdout);
      std::fflush(stdout);
      return true;
    }
    case Action::Gui:
      return show_window(report_file);
    }
    return false;
  }

  bool show_window(const std::string& report_file) {
    std::string last;
    bool reported = false, report_failed = false;
    auto after_message = [&] {
      if (report_file.empty() || report_failed)
        return;
      std::string text, error;
      if (!settings_text(&text) || (reported && text == last))
        return;
      if (!write_file_atomically(report_file, text, &error)) {
        // Said once; the window stays up, and the command fails when it closes.
        Host::report("cannot write the report " + report_file + ": " + error);
        report_failed = true;
        return;
      }
      last = text;
      reported = true;
    };
    std::string error;
    if (!window_.run(after_message, &error)) {
      Host::report(error);
      return false;
    }
    return !report_failed;
  }

private:
  PreferencesWindow& window_;
  LoadedModule& module_;
};

size_t errors_posted(Host& host) {
  size_t count = 0;
  for (const auto& message : host.messages().messages())
    count += message.level >= 3;
  return count;
}

} // namespace

int run_prefs(Host& host, const Arguments& arguments) {
  std::vector<Action> actions;
  std::string report_file;
  if (int status = parse_actions(arguments, &actions, &report_file); status != kDone)
    return status;

  PreferencesWindow window(host);
  std::string error;
  if (!window.create(&error) || !window.open_page(kPageName, kParentPageName, &error)) {
    Host::report(error);
    return kFailed;
  }
  LoadedModule* module = host.find_module(window.open_page_info()->module);
  if (!module) {
    Host::report("the module of the page is gone");
    return kFailed;
  }
  PageDriver driver(window, *module);
  for (size_t i = 0; i < actions.size(); ++i) {
    size_t errors_before = errors_posted(host);
    bool done = driver.run(actions[i], report_file);
    if (done && errors_posted(host) == errors_before)
      continue;
    if (i + 1 < actions.size())
      Host::report("stopped after " + quoted_briefly(actions[i].argument) +
                   "; the actions after it were not performed");
    return kFailed;
  }
  return kDone;
}

} // namespace tessaly
