#include <cstdio>

#include "cli/command.h"

namespace tessaly {

const std::vector<const Command*>& commands() {
  static const std::vector<const Command*> table = {&kComponentsCommand, &kConfigCommand,
                                                    &kFormatsCommand,    &kStatsCommand,
                                                    &kExportCommand,     &kPrefsCommand};
  return table;
}

int usage_error(const Command& command, const std::string& problem) {
  std::fprintf(stderr, "tessaly %s: %s\nusage: tessaly %s %s\n", command.name, problem.c_str(),
               command.name, command.usage);
  return kUsageError;
}

} // namespace tessaly
