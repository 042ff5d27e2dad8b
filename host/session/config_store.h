// The host's configuration store: one opaque block per module file name, kept in one file of the
// profile folder. Saving writes a temporary file and renames it over the old one, so an
// interrupted save never loses the previous configuration.
#pragma once

#include <map>
#include <string>

namespace tessaly {

class ConfigStore {
public:
  // The store file inside a profile folder.
  static std::string file_in(const std::string& profile_dir);

  // Reads the store. A missing file is an empty store; a damaged one is reported in error, left
  // in place, and the store stays empty. True when the file was absent or sound.
  bool load(const std::string& path, std::string* error);
  bool save(const std::string& path, std::string* error) const;

  const std::string* block(const std::string& module) const;
  void set_block(const std::string& module, std::string bytes) {
    blocks_[module] = std::move(bytes);
  }
  void clear() { blocks_.clear(); }
  const std::map<std::string, std::string>& blocks() const { return blocks_; }
  // True when the last load found a damaged file, which automatic saves then leave alone.
  bool damaged() const { return damaged_; }
  void forget_damage() { damaged_ = false; }

  // The file's text form and its parser, exposed for tests.
  std::string serialize() const;
  bool parse(const std::string& text, std::string* error);

private:
  std::map<std::string, std::string> blocks_;
  bool damaged_ = false;
};

} // namespace tessaly
