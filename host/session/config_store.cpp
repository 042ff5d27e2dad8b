#include "session/config_store.h"

#include "support/files.h"
#include "support/hex.h"

namespace tessaly {
namespace {

// First line of every store file; a file that does not start with it is not ours.
constexpr const char* kSignature = "tessaly configuration 1";

} // namespace

std::string ConfigStore::file_in(const std::string& profile_dir) {
  return join_path(profile_dir, "configuration.txt");
}

std::string ConfigStore::serialize() const {
  // One line per module: the file name, a tab, the block in hex.
  std::string text = std::string(kSignature) + "\n";
  for (const auto& [module, bytes] : blocks_)
    text += module + "\t" + to_hex(bytes) + "\n";
  return text;
}

bool ConfigStore::parse(const std::string& text, std::string* error) {
  std::map<std::string, std::string> parsed;
  size_t line_start = 0;
  size_t line_number = 0;
  while (line_start < text.size()) {
    size_t end = text.find('\n', line_start);
    if (end == std::string::npos) {
      *error =
          "the file ends in the middle of a line (line " + std::to_string(line_number + 1) + ")";
      return false;
    }
    std::string line = text.substr(line_start, end - line_start);
    line_start = end + 1;
    ++line_number;
    if (line_number == 1) {
      if (line != kSignature) {
        *error = "not a tessaly configuration store";
        return false;
      }
      continue;
    }
    size_t tab = line.find('\t');
    std::string bytes;
    if (tab == std::string::npos || tab == 0 || !from_hex(line.substr(tab + 1), &bytes)) {
      *error = "line " + std::to_string(line_number) + " is damaged";
      return false;
    }
    parsed[line.substr(0, tab)] = std::move(bytes);
  }
  if (line_number == 0) {
    *error = "the file is empty";
    return false;
  }
  blocks_ = std::move(parsed);
  return true;
}

bool ConfigStore::load(const std::string& path, std::string* error) {
  blocks_.clear();
  damaged_ = false;
  if (!file_exists(path))
    return true;
  std::string text;
  if (!read_file(path, &text, error)) {
    damaged_ = true;
    return false;
  }
  std::string reason;
  if (!parse(text, &reason)) {
    damaged_ = true;
    *error = path + ": " + reason + "; it is left as it is and the defaults are used";
    return false;
  }
  return true;
}

bool ConfigStore::save(const std::string& path, std::string* error) const {
  if (!make_directories(parent_dir(path))) {
    *error = parent_dir(path) + ": cannot create the profile folder: " + system_error();
    return false;
  }
  return write_file_atomically(path, serialize(), error);
}

const std::string* ConfigStore::block(const std::string& module) const {
  auto it = blocks_.find(module);
  return it == blocks_.end() ? nullptr : &it->second;
}

} // namespace tessaly
