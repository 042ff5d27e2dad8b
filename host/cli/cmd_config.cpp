#include <cstdio>

#include "cli/command.h"
#include "session/config_block.h"
#include "support/files.h"
#include "support/hex.h"

namespace tessaly {

namespace {

int run_config(Host& host, const Arguments& arguments) {
  const Command& self = kConfigCommand;
  if (arguments.empty())
    return usage_error(self, "needs an action");
  const std::string& action = arguments[0];
  if (action == "dump") {
    if (arguments.size() != 1)
      return usage_error(self, "dump takes no arguments");
    for (LoadedModule& module : host.modules()) {
      std::printf("%s: %s\n", module.file_name.c_str(),
                  to_hex(current_config_block(*module.client)).c_str());
    }
    // Showing changes nothing: the store is not written, so a damaged one is only reported.
    host.skip_configuration_save();
    return kDone;
  }
  if (action == "reset") {
    if (arguments.size() != 1)
      return usage_error(self, "reset takes no arguments");
    // The stored blocks are forgotten, and so are the values the modules hold now: the file is
    // written without them.
    std::string path = ConfigStore::file_in(host.profile_dir());
    host.config_store().clear();
    host.config_store().forget_damage();
    std::string error;
    if (!host.config_store().save(path, &error)) {
      Host::report(error);
      return kFailed;
    }
    std::fprintf(stderr, "tessaly: configuration reset in %s\n", path.c_str());
    host.skip_configuration_save();
    return kDone;
  }
  if (action == "load") {
    if (arguments.size() != 3)
      return usage_error(self, "load needs MODULE and FILE");
    LoadedModule* module = host.find_module(arguments[1]);
    if (!module) {
      Host::report("no module named '" + arguments[1] + "' is loaded");
      return kFailed;
    }
    std::string bytes, error;
    if (!read_file(arguments[2], &bytes, &error)) {
      Host::report(error);
      return kFailed;
    }
    module->client->load_config(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return kDone;
  }
  return usage_error(self, "unknown action '" + action + "'");
}

} // namespace

const Command kConfigCommand = {
    "config",
    "dump | reset | load MODULE FILE",
    "show, forget or restore the stored configuration",
    "  dump               one line per module: FILE: HEX of its current block\n"
    "  reset              forget every stored block; the next start uses the defaults\n"
    "  load MODULE FILE   hand the bytes of FILE to MODULE's load_config and store the\n"
    "                     result (MODULE: file name, or name without extension)\n",
    run_config,
    true};

} // namespace tessaly
