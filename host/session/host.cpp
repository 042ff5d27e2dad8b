#include "session/host.h"

#include <cstdio>

#include "diag/audit.h"
#include "session/config_block.h"
#include "support/files.h"
#include "support/text.h"

namespace tessaly {

Host::Host(HostOptions options) : options_(std::move(options)) {
  messages_.set_echo(options_.echo_messages);
  registry_.add(vorlane::kMessageServiceClass, &messages_);
  registry_.add(vorlane::kPlaylistServiceClass, &playlist_);
  registry_.add(vorlane::kHandleServiceClass, &playlist_.handles());
  registry_.add(vorlane::kFileSystemServiceClass, &files_);
}

Host::~Host() {
  for (LoadedModule& module : modules_)
    unload_module(&module);
  // Each module may have kept one reference of either service for good; with the module gone it
  // is no longer outstanding.
  auto loaded = static_cast<int32_t>(modules_.size());
  playlist_.write_off(loaded);
  playlist_.handles().write_off(loaded);
}

void Host::report(const std::string& text) {
  std::fprintf(stderr, "tessaly: %s\n", text.c_str());
  std::fflush(stderr);
}

std::string Host::profile_dir() const {
  if (!options_.profile.empty())
    return options_.profile;
  std::string dir = environment("TESSALY_PROFILE");
  if (!dir.empty())
    return dir;
  std::string config_home = environment("XDG_CONFIG_HOME");
  if (config_home.empty()) {
    std::string home = environment("HOME");
    if (home.empty())
      home = environment("USERPROFILE");
    config_home = join_path(home, ".config");
  }
  return join_path(config_home, "tessaly");
}

std::string Host::components_dir() const {
  return options_.components.empty() ? join_path(executable_dir(), "components")
                                     : options_.components;
}

bool Host::start() {
  std::string folder = components_dir();
  if (!is_directory(folder)) {
    report(folder + ": no components folder");
    return false;
  }
  std::string extension = module_extension();
  for (const std::string& name : list_directory(folder)) {
    if (name.size() <= extension.size() ||
        name.compare(name.size() - extension.size(), extension.size(), extension) != 0)
      continue;
    LoadedModule module;
    std::string error;
    if (!load_module(join_path(folder, name), &registry_, &module, &error)) {
      report(error);
      continue;
    }
    module.version = module.client->version();
    if (module.version != vorlane::kInterfaceVersion) {
      report(name + ": interface version " + std::to_string(module.version) +
             ", but this host speaks version " + std::to_string(vorlane::kInterfaceVersion) +
             "; not loaded");
      unload_module(&module);
      continue;
    }
    module.client->set_host_texts("tessaly", name.c_str());
    module.client->set_host_flag(0);
    modules_.push_back(module);
  }

  // A module caches the playlist and handle services for good, one reference of each.
  Audit::instance().allow("PlaylistService", static_cast<long>(modules_.size()));
  Audit::instance().allow("HandleService", static_cast<long>(modules_.size()));

  std::string error;
  if (!config_store_.load(ConfigStore::file_in(profile_dir()), &error))
    report(error);
  for (LoadedModule& module : modules_) {
    if (const std::string* block = config_store_.block(module.file_name))
      module.client->load_config(block->data(), static_cast<uint32_t>(block->size()));
  }
  return true;
}

bool Host::save_configuration() {
  if (skip_save_)
    return true;
  for (LoadedModule& module : modules_) {
    config_store_.set_block(module.file_name, current_config_block(*module.client));
  }
  std::string path = ConfigStore::file_in(profile_dir());
  if (config_store_.damaged()) {
    report(path + ": damaged, so the configuration was not saved over it; remove the file or "
                  "run 'tessaly config reset'");
    return false;
  }
  std::string error;
  if (!config_store_.save(path, &error)) {
    report("configuration not saved: " + error);
    return false;
  }
  return true;
}

LoadedModule* Host::find_module(const std::string& name) {
  for (LoadedModule& module : modules_) {
    if (module.file_name == name || name_without_extension(module.file_name) == name)
      return &module;
  }
  return nullptr;
}

} // namespace tessaly
