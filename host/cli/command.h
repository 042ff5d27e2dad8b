// A command of the tessaly command line. Each lives in a file of its own (cmd_*.cpp), which
// owns its help text; command_table.cpp lists them.
#pragma once

#include <string>
#include <vector>

#include "session/exit_status.h"
#include "session/host.h"

namespace tessaly {

using Arguments = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;   // the arguments after the name
  const char* summary; // one line
  const char* help;    // the rest of --help, may be empty
  int (*run)(Host& host, const Arguments& arguments);
  // The configuration store is saved when the command ends.
  bool saves_configuration;
};

extern const Command kComponentsCommand;
extern const Command kConfigCommand;
extern const Command kFormatsCommand;
extern const Command kStatsCommand;
extern const Command kExportCommand;
extern const Command kPrefsCommand;

// Every command, in the order --help lists them.
const std::vector<const Command*>& commands();

// Prints "usage: tessaly NAME USAGE" to standard error and returns kUsageError.
int usage_error(const Command& command, const std::string& problem);

// The whole command line: global options, the command, its arguments. Returns the exit status.
int run_tessaly(const std::vector<std::string>& argv);

} // namespace tessaly
