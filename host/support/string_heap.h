// The heap behind the host's strings and blocks: the boundary types that the host compiles from
// the module's sources, among them every string it hands to a module. Normally the C runtime's.
// For tests, a heap of the host's own, as a player's module built against another runtime has:
// a module that grows or frees a string it did not make, with its own realloc or free, then fails
// at once. On Windows that heap is a private one (HeapCreate); natively its blocks sit behind a
// header, so that AddressSanitizer reports a free or realloc of one by anybody else.
#pragma once

#include <cstddef>

namespace tessaly {

enum class StringHeap { Runtime, Private };

// The environment variable that chooses the private heap for a whole run: "private" there.
inline constexpr const char* kStringHeapVariable = "TESSALY_STRING_HEAP";

// Chooses the heap. A block goes back to the heap it came from, so the choice holds from the
// first allocation on: false when that has happened and heap is not the one in use.
bool choose_string_heap(StringHeap heap);
// The heap in use. Unless chosen before, it is chosen at the first allocation, from the variable.
StringHeap string_heap();

namespace private_heap {
// The private heap's own operations, one implementation per target.
void* allocate(std::size_t bytes);
void* reallocate(void* block, std::size_t bytes);
void release(void* block);
} // namespace private_heap

} // namespace tessaly
