#include "prefs/page_driver.h"

#include <cstdio>

#include "platform/kestrel/kestrel.h"
#include "prefs/custom_page.h"
#include "session/config_block.h"
#include "support/files.h"
#include "support/text_escapes.h"

namespace tessaly {

using namespace custom_page;

namespace {

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
      *text += setting.name + "=" + (setting.name == kLineEndSetting ? value : escape_text(value)) +
               "\n";
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
    if (record.name == kLineEndSetting && int_of_value(record.value, &number))
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
    constexpr long kLargest = kLargestConfigFile;
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

  // Performs the action; false (reported) when it failed. report_file is for Gui.
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

} // namespace

bool perform_action(PreferencesWindow& window, LoadedModule& module, const Action& action,
                    const std::string& report_file) {
  return PageDriver(window, module).run(action, report_file);
}

LoadedModule* open_custom_page(Host& host, PreferencesWindow& window) {
  std::string error;
  if (!window.create(&error) || !window.open_page(kPageName, kParentPageName, &error)) {
    Host::report(error);
    return nullptr;
  }
  LoadedModule* module = host.find_module(window.open_page_info()->module);
  if (!module)
    Host::report("the module of the page is gone");
  return module;
}

size_t errors_posted(Host& host) {
  size_t count = 0;
  for (const auto& message : host.messages().messages())
    count += message.level >= 3;
  return count;
}

} // namespace tessaly
