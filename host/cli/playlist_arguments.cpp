#include "cli/playlist_arguments.h"

#include "cli/presets.h"
#include "playlist/inputs.h"

namespace tessaly {
namespace {

int parse_playlist_arguments(const Command& command, const Arguments& arguments, bool takes_output,
                             PlaylistArguments* parsed) {
  bool have_output = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    bool output_option = takes_output && (arg == "-o" || arg == "--output");
    bool preset_option = takes_output && arg == "--preset";
    if (output_option || preset_option || arg == "--format") {
      if (++i >= arguments.size() || (preset_option && arguments[i].empty()))
        return usage_error(command, arg + (output_option ? " needs a file" : " needs a name"));
      if (output_option) {
        parsed->output = arguments[i];
        have_output = true;
      } else if (preset_option) {
        parsed->preset = arguments[i];
      } else {
        parsed->format = arguments[i];
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usage_error(command, "unknown option " + arg);
    } else {
      parsed->inputs.push_back(arg);
    }
  }
  if (parsed->inputs.empty())
    return usage_error(command, "needs a playlist, a folder or audio files");
  if (takes_output && (!have_output || parsed->output.empty()))
    return usage_error(command, "needs -o OUT (- for standard output)");
  return kDone;
}

} // namespace

int open_playlist(Host& host, Telvane& telvane, const Command& command, const Arguments& arguments,
                  bool takes_output, PlaylistArguments* parsed, FormatReference* format) {
  if (int status = parse_playlist_arguments(command, arguments, takes_output, parsed);
      status != kDone)
    return status;
  if (!parsed->preset.empty() && !load_preset(host, parsed->preset))
    return kFailed;
  Playlist playlist;
  TagReading reading;
  std::string error;
  if (!load_inputs(parsed->inputs, &playlist, &reading, &error)) {
    Host::report(error);
    return kFailed;
  }
  // Files that could not be read keep what the playlist says; the export goes on.
  if (std::string summary = tag_reading_summary(reading); !summary.empty())
    Host::report(summary);
  host.playlist().set_playlist(std::move(playlist));
  *format = telvane.select(parsed->format);
  if (!*format) {
    Host::report(telvane.unknown_format_message(parsed->format));
    return kFailed;
  }
  return kDone;
}

} // namespace tessaly
