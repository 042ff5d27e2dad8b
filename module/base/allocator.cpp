#include "allocator.h"

#include <cstdlib>

namespace vorlane {
namespace {

// Fault-injection state; inert unless a test arms it.
struct FaultPlan {
  uint32_t fail_at = 0;
  bool from_then_on = false;
  uint32_t attempts = 0;
  bool failed = false;
};
FaultPlan fault_plan;

bool should_fail() {
  if (fault_plan.fail_at == 0)
    return false;
  ++fault_plan.attempts;
  bool fail = fault_plan.from_then_on ? fault_plan.attempts >= fault_plan.fail_at
                                      : fault_plan.attempts == fault_plan.fail_at;
  if (fail)
    fault_plan.failed = true;
  return fail;
}

} // namespace

void* mem_alloc(std::size_t bytes) {
  return should_fail() ? nullptr : std::malloc(bytes);
}

void* mem_realloc(void* block, std::size_t bytes) {
  return should_fail() ? nullptr : std::realloc(block, bytes);
}

void mem_free(void* block) {
  std::free(block);
}

void fail_allocation(uint32_t nth, bool from_then_on) {
  fault_plan = {nth, from_then_on, 0, false};
}

uint32_t allocations_attempted() {
  return fault_plan.attempts;
}

bool allocation_failed() {
  return fault_plan.failed;
}

} // namespace vorlane
