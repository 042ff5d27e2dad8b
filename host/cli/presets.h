// The ready-made configurations of presets/ (NAME.tvc), as `export --preset NAME` loads them.
#pragma once

#include <string_view>

#include <string>
#include <vector>

#include "session/host.h"

namespace tessaly {

// The folders searched for presets, in order: presets/ beside the program (a release), then
// the source tree's presets/ two folders up (a build in build/TARGET/).
std::vector<std::string> preset_folders();

// The names of the presets found, sorted, each once.
std::vector<std::string> preset_names();

// Loads preset NAME into the "Custom" page's module as its "Load Config" button does, the file
// chosen in the page's file dialog. A NAME with a folder or ending in ".tvc" is a file's path.
// False (reported, with the presets there are) when there is no such preset or it failed.
bool load_preset(Host& host, const std::string& name);

// True when the "Custom" format's entry format is empty, so each entry writes nothing.
bool custom_entry_format_empty(Host& host);

// True when a setting of a loaded module holds text, ASCII case aside: whether the formats use a
// field, such as %cover%, that costs work to give.
bool custom_settings_mention(Host& host, std::string_view text);

} // namespace tessaly
