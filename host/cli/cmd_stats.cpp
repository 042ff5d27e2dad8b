#include <cstdio>

#include "base/utf8_string.h"
#include "cli/command.h"
#include "cli/playlist_arguments.h"

namespace tessaly {

// Shows the variables an output format hands to the title formatter for its header: the real
// get_header runs, and the extra items of its format_title call are what is printed.
namespace {

int run_stats(Host& host, const Arguments& arguments) {
  PlaylistArguments parsed;
  Telvane telvane(host);
  FormatReference format;
  if (int status = open_playlist(host, telvane, kStatsCommand, arguments, false, &parsed, &format);
      status != kDone)
    return status;
  std::vector<HostPlaylistService::FormatCall> calls;
  host.playlist().record_format_calls(&calls);
  vorlane::Utf8String header;
  format->get_header(&header);
  host.playlist().record_format_calls(nullptr);
  if (calls.empty()) {
    Host::report("the " + parsed.format + " format formatted no header through the playlist");
    return kFailed;
  }
  for (const auto& [name, value] : calls.front().items)
    std::printf("%s=%s\n", name.c_str(), value.c_str());
  return kDone;
}

} // namespace

const Command kStatsCommand = {
    "stats",
    "PLAYLIST... [--format NAME] [--no-index | --rescan] [--jobs N] [--quiet]",
    "show the variables an output format passes to its header",
    "  Loads PLAYLIST as export does (playlists, audio files, folders, the library index and\n"
    "  its options), asks the output format NAME (default Custom) for its\n"
    "  header and prints, one name=value a line, the extra variables it handed to the title\n"
    "  formatter for that header.\n",
    run_stats,
    false};

} // namespace tessaly
