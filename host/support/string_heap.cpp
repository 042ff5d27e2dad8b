#include "support/string_heap.h"

#include <cstdlib>
#include <cstring>

#include "base/allocator.h"

namespace tessaly {
namespace {

// The host runs its strings on one thread; the choice is made before any of them exists.
bool chosen = false;
bool allocated = false;
StringHeap heap_in_use = StringHeap::Runtime;

StringHeap chosen_heap() {
  if (!chosen) {
    const char* value = std::getenv(kStringHeapVariable);
    heap_in_use =
        value && std::strcmp(value, "private") == 0 ? StringHeap::Private : StringHeap::Runtime;
    chosen = true;
  }
  return heap_in_use;
}

StringHeap heap_for_allocation() {
  allocated = true;
  return chosen_heap();
}

} // namespace

bool choose_string_heap(StringHeap heap) {
  if (allocated)
    return heap == heap_in_use;
  heap_in_use = heap;
  chosen = true;
  return true;
}

StringHeap string_heap() {
  return chosen_heap();
}

} // namespace tessaly

// The allocator of the host's copy of the boundary types (the module's own is module/base).
namespace vorlane {

void* mem_alloc(std::size_t bytes) {
  return tessaly::heap_for_allocation() == tessaly::StringHeap::Private
             ? tessaly::private_heap::allocate(bytes)
             : std::malloc(bytes);
}

void* mem_realloc(void* block, std::size_t bytes) {
  return tessaly::heap_for_allocation() == tessaly::StringHeap::Private
             ? tessaly::private_heap::reallocate(block, bytes)
             : std::realloc(block, bytes);
}

void mem_free(void* block) {
  if (tessaly::heap_for_allocation() == tessaly::StringHeap::Private)
    tessaly::private_heap::release(block);
  else
    std::free(block);
}

} // namespace vorlane
