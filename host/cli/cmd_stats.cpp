#include <cstdio>

#include "base/utf8_string.h"
#include "cli/commands.h"
#include "writer/telvane.h"

namespace tessaly {

// Shows the variables an output format hands to the title formatter for its header: the real
// get_header runs, and the extra items of its format_title call are what is printed.
int run_stats(Host& host, const Arguments& arguments) {
  const Command& self = command_named("stats");
  std::string playlist_path, format_name = "Custom";
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--format") {
      if (++i >= arguments.size())
        return usage_error(self, "--format needs a name");
      format_name = arguments[i];
    } else if (!arguments[i].empty() && arguments[i][0] == '-') {
      return usage_error(self, "unknown option " + arguments[i]);
    } else if (playlist_path.empty()) {
      playlist_path = arguments[i];
    } else {
      return usage_error(self, "takes one playlist");
    }
  }
  if (playlist_path.empty())
    return usage_error(self, "needs a playlist");

  Telvane telvane(host);
  FormatReference format = telvane.open(playlist_path, format_name);
  if (!format)
    return kFailed;
  std::vector<HostPlaylistService::FormatCall> calls;
  host.playlist().record_format_calls(&calls);
  vorlane::Utf8String header;
  format->get_header(&header);
  host.playlist().record_format_calls(nullptr);
  if (calls.empty()) {
    Host::report("the " + format_name + " format formatted no header through the playlist");
    return kFailed;
  }
  for (const auto& [name, value] : calls.front().items)
    std::printf("%s=%s\n", name.c_str(), value.c_str());
  return kDone;
}

} // namespace tessaly
