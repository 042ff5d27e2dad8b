#include "cli/playlist_arguments.h"

#include "playlist/m3u_loader.h"

namespace tessaly {
namespace {

int parse_playlist_arguments(const Command& command, const Arguments& arguments, bool takes_output,
                             PlaylistArguments* parsed) {
  bool have_output = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    bool output_option = takes_output && (arg == "-o" || arg == "--output");
    if (output_option || arg == "--format") {
      if (++i >= arguments.size())
        return usage_error(command, arg + (output_option ? " needs a file" : " needs a name"));
      if (output_option) {
        parsed->output = arguments[i];
        have_output = true;
      } else {
        parsed->format = arguments[i];
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usage_error(command, "unknown option " + arg);
    } else if (parsed->playlist.empty()) {
      parsed->playlist = arg;
    } else {
      return usage_error(command, "takes one playlist");
    }
  }
  if (parsed->playlist.empty())
    return usage_error(command, "needs a playlist");
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
  Playlist playlist;
  std::string error;
  if (!load_playlist(parsed->playlist, &playlist, &error)) {
    Host::report(error);
    return kFailed;
  }
  host.playlist().set_playlist(std::move(playlist));
  *format = telvane.select(parsed->format);
  if (!*format) {
    Host::report(telvane.unknown_format_message(parsed->format));
    return kFailed;
  }
  return kDone;
}

} // namespace tessaly
