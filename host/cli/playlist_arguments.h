// The arguments that export and stats share: the PLAYLIST inputs (playlist files, audio files,
// folders), --format NAME (the Custom format by default) and, for export, -o OUT and
// --preset NAME; how the files are read (--no-index, --rescan, --jobs N, --quiet); and the
// opening of those inputs in that format.
#pragma once

#include <vector>

#include "cli/command.h"
#include "library/library_reading.h"
#include "writer/telvane.h"

namespace tessaly {

struct PlaylistArguments {
  std::vector<std::string> inputs;
  std::string format = "Custom";
  std::string output;     // "-" for standard output
  std::string preset;     // empty: the settings as stored
  std::string sort;       // --sort FORMAT: the key of each entry; empty: the inputs' order
  bool reverse = false;   // --reverse
  LibraryOptions library; // --no-index, --rescan, --jobs N, --quiet
};

// Reads the arguments, loads the preset, loads the inputs into the host (files that cannot be
// read cost one line on standard error) and selects the format: kDone with format set, or the
// status to end the command with (a usage error is printed, a failure reported). With
// takes_output, -o OUT (or --output OUT) is required and --preset is taken.
int open_playlist(Host& host, Telvane& telvane, const Command& command, const Arguments& arguments,
                  bool takes_output, PlaylistArguments* parsed, FormatReference* format);

} // namespace tessaly
