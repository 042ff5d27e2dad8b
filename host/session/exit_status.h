// The exit statuses of tessaly.
#pragma once

namespace tessaly {

inline constexpr int kDone = 0;
inline constexpr int kFailed = 1; // the job failed, or a module posted an error message
inline constexpr int kUsageError = 2;

} // namespace tessaly
