// The global options and the choice of command.
#include <cstdio>

#include "cli/command.h"
#include "session/host_run.h"

namespace tessaly {

namespace {

void print_usage(std::FILE* out) {
  std::fprintf(out, "usage: tessaly [--profile DIR] [--components DIR] COMMAND [ARGS]\n\n"
                    "Commands:\n");
  for (const Command* command : commands())
    std::fprintf(out, "  %-12s %s\n", command->name, command->summary);
  std::fprintf(out,
               "\nOptions:\n"
               "  --profile DIR     the profile folder (default: $TESSALY_PROFILE, else\n"
               "                    $XDG_CONFIG_HOME/tessaly or ~/.config/tessaly)\n"
               "  --components DIR  where modules are loaded from (default: components/ beside\n"
               "                    tessaly)\n"
               "\n'tessaly COMMAND --help' describes a command. Exit status: 0 done, 1 the job\n"
               "failed or a module posted an error message, 2 a usage error.\n");
}

} // namespace

int run_tessaly(const std::vector<std::string>& argv) {
  HostOptions options;
  size_t i = 1;
  for (; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      print_usage(stdout);
      return kDone;
    }
    if (arg == "--profile" || arg == "--components") {
      if (i + 1 >= argv.size()) {
        std::fprintf(stderr, "tessaly: %s needs a folder\n", arg.c_str());
        return kUsageError;
      }
      (arg == "--profile" ? options.profile : options.components) = argv[++i];
      continue;
    }
    if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "tessaly: unknown option %s\n", arg.c_str());
      print_usage(stderr);
      return kUsageError;
    }
    break;
  }
  if (i >= argv.size()) {
    print_usage(stderr);
    return kUsageError;
  }
  const Command* command = nullptr;
  for (const Command* candidate : commands()) {
    if (argv[i] == candidate->name)
      command = candidate;
  }
  if (!command) {
    std::fprintf(stderr, "tessaly: unknown command '%s'\n", argv[i].c_str());
    print_usage(stderr);
    return kUsageError;
  }
  Arguments arguments(argv.begin() + static_cast<long>(i) + 1, argv.end());
  for (const std::string& arg : arguments) {
    if (arg == "--help" || arg == "-h") {
      std::printf("usage: tessaly %s %s\n%s\n%s", command->name, command->usage, command->summary,
                  command->help);
      return kDone;
    }
  }

  return run_in_host(options, command->saves_configuration,
                     [&](Host& host) { return command->run(host, arguments); });
}

} // namespace tessaly
