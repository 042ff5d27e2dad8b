#include <sched.h>

#include <thread>

#include "library/work_pool.h"

namespace tessaly {

unsigned available_processors() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
    return static_cast<unsigned>(CPU_COUNT(&set));
  unsigned all = std::thread::hardware_concurrency();
  return all > 0 ? all : 1;
}

} // namespace tessaly
