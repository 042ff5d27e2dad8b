#include <sys/stat.h>

#include "services/file_system_service.h"

namespace tessaly {

bool local_path_of_file_url(const std::string& authority, const std::string& path,
                            std::string* local) {
  // Another machine's files are not reachable by path here.
  if (!authority.empty() || path.empty())
    return false;
  *local = path;
  return true;
}

uint64_t open_file_size(std::FILE* file) {
  struct stat info;
  return ::fstat(fileno(file), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

} // namespace tessaly
