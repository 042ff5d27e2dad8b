// The commands of the tessaly command line. Each lives in a file of its own (cmd_*.cpp).
#pragma once

#include <string>
#include <vector>

#include "session/host.h"

namespace tessaly {

using Arguments = std::vector<std::string>;

// Exit statuses.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsageError = 2;

struct Command {
  const char* name;
  const char* usage;   // the arguments after the name
  const char* summary; // one line
  const char* help;    // the rest of --help, may be empty
  int (*run)(Host& host, const Arguments& arguments);
  // The configuration store is saved when the command ends.
  bool saves_configuration;
};

const std::vector<Command>& commands();

// Prints "usage: tessaly NAME USAGE" to standard error and returns kUsageError.
int usage_error(const Command& command, const std::string& problem);
const Command& command_named(const char* name);

int run_components(Host& host, const Arguments& arguments);
int run_config(Host& host, const Arguments& arguments);
int run_formats(Host& host, const Arguments& arguments);
int run_stats(Host& host, const Arguments& arguments);
int run_export(Host& host, const Arguments& arguments);
int run_prefs(Host& host, const Arguments& arguments);

// The whole command line: global options, the command, its arguments. Returns the exit status.
int run_tessaly(const std::vector<std::string>& argv);

} // namespace tessaly
