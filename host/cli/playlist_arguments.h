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

// Reads the arguments, loads the playlist into the host and selects the format: kDone with
// format set, or the status to end the command with (a usage error is printed, a failure
// reported). With takes_output, -o OUT (or --output OUT) is required.
int open_playlist(Host& host, Telvane& telvane, const Command& command, const Arguments& arguments,
                  bool takes_output, PlaylistArguments* parsed, FormatReference* format);

} // namespace tessaly
