// tessaly, the stand-in host: it loads the modules of its components folder, offers them the
// host services, keeps the configuration store and runs one command.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "services/file_system_service.h"
#include "services/message_service.h"
#include "services/playlist_service.h"
#include "services/service_registry.h"
#include "session/config_store.h"
#include "session/module_loader.h"

namespace tessaly {

struct HostOptions {
  std::string profile;    // empty: from the environment
  std::string components; // empty: components/ beside the executable
  bool echo_messages = true;
};

class Host {
public:
  explicit Host(HostOptions options);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Loads every module and applies the stored configuration. Modules that cannot be loaded are
  // reported and skipped; false only when the components folder cannot be read.
  bool start();
  // Collects every module's configuration block and stores it. False (reported) on failure.
  bool save_configuration();
  // The store stays as the command left it: the modules' current blocks are not collected.
  void skip_configuration_save() { skip_save_ = true; }

  ServiceRegistry& registry() { return registry_; }
  ConsoleMessageService& messages() { return messages_; }
  LocalFileSystem& files() { return files_; }
  std::vector<LoadedModule>& modules() { return modules_; }
  ConfigStore& config_store() { return config_store_; }
  // The playlist the modules see; commands load theirs into it.
  HostPlaylistService& playlist() { return playlist_; }
  const HostOptions& options() const { return options_; }
  std::string profile_dir() const;
  std::string components_dir() const;

  // A loaded module by its file name or its name without extension; null when none.
  LoadedModule* find_module(const std::string& name);

  // What the host itself reports goes to standard error as "tessaly: TEXT".
  static void report(const std::string& text);

private:
  HostOptions options_;
  ServiceRegistry registry_;
  ConsoleMessageService messages_;
  LocalFileSystem files_{&messages_};
  ConfigStore config_store_;
  std::vector<LoadedModule> modules_;
  HostPlaylistService playlist_;
  bool skip_save_ = false;
};

} // namespace tessaly
