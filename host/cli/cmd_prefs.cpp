// tessaly prefs: the "Custom" preferences page driven from the command line the way a user
// drives it (prefs/page_driver.h); this file reads the actions from the arguments.
#include <cstdio>

#include "cli/command.h"
#include "prefs/custom_page.h"
#include "prefs/page_driver.h"
#include "support/text.h"
#include "support/text_escapes.h"

namespace tessaly {

using namespace custom_page;

namespace {

// An option as messages quote it: a long text is cut (at a character boundary) to keep the
// message readable.
std::string quoted_briefly(const std::string& option) {
  constexpr size_t kLongest = 60;
  if (option.size() <= kLongest)
    return option;
  return std::string(cut_at_character(option, kLongest - 3)) + "...";
}

int parse_actions(const Arguments& arguments, std::vector<Action>* actions,
                  std::string* report_file) {
  const Command& self = kPrefsCommand;
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

int run_prefs(Host& host, const Arguments& arguments) {
  std::vector<Action> actions;
  std::string report_file;
  if (int status = parse_actions(arguments, &actions, &report_file); status != kDone)
    return status;

  PreferencesWindow window(host);
  LoadedModule* module = open_custom_page(host, window);
  if (!module)
    return kFailed;
  for (size_t i = 0; i < actions.size(); ++i) {
    size_t errors_before = errors_posted(host);
    bool done = perform_action(window, *module, actions[i], report_file);
    if (done && errors_posted(host) == errors_before)
      continue;
    if (i + 1 < actions.size())
      Host::report("stopped after " + quoted_briefly(actions[i].argument) +
                   "; the actions after it were not performed");
    return kFailed;
  }
  return kDone;
}

} // namespace

const Command kPrefsCommand = {
    "prefs",
    "ACTION...",
    "drive the Telvane > Custom preferences page as a user would",
    "  --set header=TEXT      replace the text of the Header box, as typing over all of it\n"
    "  --set format=TEXT      the same for the Entry Format box\n"
    "  --set footer=TEXT      the same for the Footer box\n"
    "  --set autocrlf=0|1     clear or tick \"Auto Append $crlf()\" by clicking it\n"
    "  --load FILE            click \"Load Config\" and choose FILE in the file dialog\n"
    "  --save FILE            click \"Save Config\" and choose FILE\n"
    "  --reset                click \"Reset Config\"\n"
    "  --show                 print header, format, footer and autocrlf as NAME=VALUE lines,\n"
    "                         as the module stores them\n"
    "  --gui [--report FILE]  show the window until it is closed (Windows build only); with\n"
    "                         --report, FILE holds the --show lines, rewritten after every\n"
    "                         change\n"
    "\n"
    "The actions run in the order given; --gui comes last. After an action that fails or\n"
    "makes the module post a message, the rest are not performed. The configuration is\n"
    "stored when the command ends.\n"
    "\n"
    "In TEXT, \\n \\r \\t \\\\ and \\xNN stand for those bytes, and --show writes values the\n"
    "same way. A box keeps its text as given: Enter in a box types \\r\\n, so write \\r\\n for\n"
    "a line break that looks like one typed (a lone \\n is kept as a lone \\n). When a box\n"
    "does not take the whole text (an edit box holds a limited number of characters), the\n"
    "command fails. FILE is a path or a file:// location.\n",
    run_prefs,
    true};

} // namespace tessaly
