// Every allocation of the module goes through these three calls, on the heap of the C runtime
// that the module is linked with. The player's other modules may be built against other runtimes
// with heaps of their own, so only blocks allocated here are grown or freed here: a string that
// another module made is changed through its own operations. Tests can make the Nth allocation
// fail to prove that failures are safe.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorlane {

void* mem_alloc(std::size_t bytes);
void* mem_realloc(void* block, std::size_t bytes);
void mem_free(void* block);

// Fault injection for tests: allocation number `nth` (1-based, counted from this call) fails,
// and with `from_then_on` every later one as well. 0 switches failures off.
void fail_allocation(uint32_t nth, bool from_then_on);
// Allocations attempted since the last fail_allocation, and whether one of them was failed.
uint32_t allocations_attempted();
bool allocation_failed();

} // namespace vorlane
