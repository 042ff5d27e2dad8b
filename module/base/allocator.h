// Every allocation of the module goes through these three calls. They use the C runtime's heap,
// which every module of the process shares, so a string grown here may be freed by the host and
// the other way round. Tests can make the Nth allocation fail to prove that failures are safe.
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
