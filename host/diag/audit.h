// The host keeps count of everything it hands to modules (service references, track handles,
// files, open track information) so that it can check, at the end of every command and test,
// that each was given back.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace tessaly {

class Audit {
public:
  static Audit& instance();

  void opened(const std::string& kind) { ++live_[kind]; }
  void closed(const std::string& kind) { --live_[kind]; }
  long live(const std::string& kind) const {
    auto it = live_.find(kind);
    return it == live_.end() ? 0 : it->second;
  }
  // Up to `count` outstanding of kind are expected, such as the references a module keeps of a
  // service it caches for good.
  void allow(const std::string& kind, long count) { allowed_[kind] = count; }
  // "kind: N" for every kind with something still outstanding (or given back too often).
  std::string report() const;
  bool clean() const { return report().empty(); }

private:
  std::map<std::string, long> live_;
  std::map<std::string, long> allowed_;
};

} // namespace tessaly
