#include "cli/presets.h"

#include <algorithm>
#include <functional>

#include "prefs/custom_page.h"
#include "prefs/page_driver.h"
#include "session/config_block.h"
#include "support/files.h"
#include "support/text.h"

namespace tessaly {

using namespace custom_page;

namespace {

std::string find_preset(const std::string& name) {
  if (name.find_first_of("/\\") != std::string::npos || name.ends_with(".tvc"))
    return name;
  for (const std::string& folder : preset_folders()) {
    std::string path = join_path(folder, name + ".tvc");
    if (file_exists(path))
      return path;
  }
  return {};
}

} // namespace

std::vector<std::string> preset_folders() {
  std::string program = executable_dir();
  return {join_path(program, "presets"), join_path(join_path(program, ".."), "../presets")};
}

std::vector<std::string> preset_names() {
  std::vector<std::string> names;
  for (const std::string& folder : preset_folders()) {
    for (const std::string& file : list_directory(folder)) {
      if (file.ends_with(".tvc"))
        names.push_back(file.substr(0, file.size() - 4));
    }
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

bool load_preset(Host& host, const std::string& name) {
  std::string path = find_preset(name);
  if (path.empty()) {
    std::string known;
    for (const std::string& preset : preset_names())
      known += (known.empty() ? "" : ", ") + preset;
    Host::report("no preset '" + name + "'" +
                 (known.empty() ? std::string("; no presets were found beside the program")
                                : "; the presets are " + known));
    return false;
  }
  PreferencesWindow window(host);
  LoadedModule* module = open_custom_page(host, window);
  if (!module)
    return false;
  size_t errors_before = errors_posted(host);
  Action load{Action::Load, "--preset " + name, nullptr, kLoadButton, path};
  if (!perform_action(window, *module, load, {}))
    return false;
  // The module tells of a file it could not load by posting a message.
  return errors_posted(host) == errors_before;
}

namespace {

// The settings of each loaded module, one module at a time, until visit returns true.
bool any_module_settings(Host& host,
                         const std::function<bool(const std::vector<ConfigRecord>&)>& visit) {
  for (LoadedModule& module : host.modules()) {
    std::vector<ConfigRecord> records;
    if (module.client && parse_config_block(current_config_block(*module.client), &records) &&
        visit(records))
      return true;
  }
  return false;
}

} // namespace

bool custom_entry_format_empty(Host& host) {
  bool empty = false;
  any_module_settings(host, [&](const std::vector<ConfigRecord>& records) {
    bool has_header = false;
    const ConfigRecord* format = nullptr;
    for (const ConfigRecord& record : records) {
      has_header |= record.name == kHeaderSetting;
      if (record.name == kFormatSetting)
        format = &record;
    }
    if (!has_header || !format)
      return false;
    empty = format->value.empty();
    return true;
  });
  return empty;
}

bool custom_settings_mention(Host& host, std::string_view text) {
  return any_module_settings(host, [&](const std::vector<ConfigRecord>& records) {
    return std::any_of(records.begin(), records.end(), [&](const ConfigRecord& record) {
      return std::search(record.value.begin(), record.value.end(), text.begin(), text.end(),
                         [](char a, char b) { return ascii_lower(a) == ascii_lower(b); }) !=
             record.value.end();
    });
  });
}

} // namespace tessaly
