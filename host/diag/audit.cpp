#include "diag/audit.h"

namespace tessaly {

Audit& Audit::instance() {
  static Audit audit;
  return audit;
}

std::string Audit::report() const {
  std::string out;
  for (const auto& [kind, count] : live_) {
    auto allowed = allowed_.find(kind);
    if (count >= 0 && count <= (allowed == allowed_.end() ? 0 : allowed->second))
      continue;
    out += (out.empty() ? "" : ", ") + kind + ": " + std::to_string(count);
  }
  return out;
}

} // namespace tessaly
