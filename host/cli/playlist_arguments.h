// The arguments that export and stats share: one PLAYLIST, --format NAME (the Custom format by
// default) and, for export, -o OUT; and the opening of that playlist in that format.
#pragma once

#include "cli/command.h"
#include "writer/telvane.h"

namespace tessaly {

struct PlaylistArguments {
  std::string playlist;
  std::string format = "Custom";
  std::string output; // "-" for standard output
};

// kDone, or the usage error (already printed) for arguments the command does not take. With
// takes_output, -o OUT (or --output OUT) is required.
int parse_playlist_arguments(const Command& command, const Arguments& arguments, bool takes_output,
                             PlaylistArguments* parsed);

// Loads the playlist into the host and selects the format. Empty, with the reason reported, when
// the playlist cannot be read or there is no such format.
FormatReference open_playlist(Host& host, Telvane& telvane, const PlaylistArguments& parsed);

} // namespace tessaly
