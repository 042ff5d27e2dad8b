// Drives the open "Custom" page of a preferences window the way a user does, through its
// controls: typing replaces a box's text, clicks tick the box and press the buttons, and the
// file dialog is answered with the file given. The settings are read back from the module's
// configuration block after every step.
#pragma once

#include <string>
#include <vector>

#include "prefs/prefs_window.h"

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

// Opens the "Custom" page in window and finds the module that offers it; null (reported) when
// either fails.
LoadedModule* open_custom_page(Host& host, PreferencesWindow& window);

// How many error messages (level 3 and above) the modules have posted so far: the module tells
// of a file it could not load or save by posting one.
size_t errors_posted(Host& host);

// Performs one action on the open page of window, for the module that offers the page; false
// (reported) when it failed. report_file is for Gui: the file rewritten after every change.
bool perform_action(PreferencesWindow& window, LoadedModule& module, const Action& action,
                    const std::string& report_file);

} // namespace tessaly
