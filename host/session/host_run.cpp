#include "session/host_run.h"

#include "diag/audit.h"
#include "session/exit_status.h"

namespace tessaly {

int run_in_host(const HostOptions& options, bool saves_configuration,
                const std::function<int(Host&)>& job) {
  int status;
  {
    Host host(options);
    if (!host.start())
      return kFailed;
    status = job(host);
    if (status != kUsageError && saves_configuration && !host.save_configuration())
      status = kFailed;
    if (status == kDone && host.messages().error_posted())
      status = kFailed;
  }
  // Everything handed to a module must have come back by now.
  std::string left = Audit::instance().report();
  if (!left.empty()) {
    Host::report("audit: not given back: " + left);
    return kFailed;
  }
  return status;
}

} // namespace tessaly
