// One run of the host around one job: the modules loaded and configured, the job, the
// configuration stored, and the check that every module gave back what it was handed.
#pragma once

#include <functional>

#include "session/host.h"

namespace tessaly {

// Returns the job's exit status, turned into kFailed when the host cannot start, the store
// cannot be saved (when saves_configuration), a module posted an error or something handed to a
// module was not given back.
int run_in_host(const HostOptions& options, bool saves_configuration,
                const std::function<int(Host&)>& job);

} // namespace tessaly
