#include <cstdio>

#include "cli/commands.h"
#include "writer/telvane.h"

namespace tessaly {

int run_export(Host& host, const Arguments& arguments) {
  const Command& self = command_named("export");
  std::string playlist_path, output, format_name = "Custom";
  bool have_output = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (arg == "-o" || arg == "--output" || arg == "--format") {
      if (++i >= arguments.size())
        return usage_error(self, arg + (arg == "--format" ? " needs a name" : " needs a file"));
      if (arg == "--format") {
        format_name = arguments[i];
      } else {
        output = arguments[i];
        have_output = true;
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usage_error(self, "unknown option " + arg);
    } else if (playlist_path.empty()) {
      playlist_path = arg;
    } else {
      return usage_error(self, "takes one playlist");
    }
  }
  if (playlist_path.empty())
    return usage_error(self, "needs a playlist");
  if (!have_output || output.empty())
    return usage_error(self, "needs -o OUT (- for standard output)");

  Telvane telvane(host);
  FormatReference format = telvane.open(playlist_path, format_name);
  if (!format)
    return kFailed;
  size_t entries = 0;
  std::string error;
  if (output == "-") {
    if (!telvane.write(*format.get(), stdout, &entries, &error)) {
      Host::report("standard output: " + error);
      return kFailed;
    }
    return kDone;
  }
  if (!telvane.write_file(*format.get(), output, &entries, &error)) {
    Host::report(error);
    return kFailed;
  }
  Host::report("wrote " + std::to_string(entries) + (entries == 1 ? " entry" : " entries") +
               " to " + output);
  return kDone;
}

} // namespace tessaly
