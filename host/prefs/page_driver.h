// Drives the open "Custom" page of a preferences window the way a user does, through its
// controls: typing replaces a box's text, clicks tick the box and press the buttons, and the
// file dialog is answered with the file given. The settings are read back from the module's
// configuration block after every step.
#pragma once

#include <string>
#include <vector>

#include "prefs/prefs_window.h"
#include "session/config_block.h"

namespace tessaly {

// One step, as `tessaly prefs` was asked for it.
struct Action {
  enum Kind { SetText, SetSwitch, Load, Save, Reset, Show, Gui } kind;
  std::string argument; // the option as given, for messages
  const char* setting = nullptr;
  int control = 0;
  std::string value;
  const char* box = nullptr; // the control's label, for messages
};

class PageDriver {
public:
  PageDriver(PreferencesWindow& window, LoadedModule& module) : window_(window), module_(module) {}

  // Performs the action; false (reported) when it failed. report_file is for Gui.
  bool run(const Action& action, const std::string& report_file);

private:
  // The module's settings as it stores them now; false (reported) when a setting is missing.
  bool read_settings(std::vector<ConfigRecord>* settings);
  // NAME=VALUE lines, as --show prints them.
  bool settings_text(std::string* text);
  // One setting's value: a text as it is, the switch as a decimal number.
  bool setting(const char* name, std::string* value);
  static std::string value_of(const ConfigRecord& record);
  HWND control(int id);
  void click(HWND button);
  bool set_text(const Action& action);
  bool set_switch(const Action& action);
  bool use_file(const Action& action);
  // No configuration file is longer than three texts of 65,535 bytes with their lengths and the
  // switch. A longer local file is some other file given by mistake; it is refused before the
  // page reads from it.
  // A local file longer than any configuration file is some other file given by mistake; it is
  // refused before the page reads from it.
  static bool fits_a_configuration(const std::string& path);
  bool show_window(const std::string& report_file);

  PreferencesWindow& window_;
  LoadedModule& module_;
};

} // namespace tessaly
