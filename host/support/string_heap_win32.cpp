#include "support/string_heap.h"

#include "platform/win32.h"

// A heap of the host's own, as a module linked with a static runtime has: the module's C runtime
// neither grows nor frees its blocks, and a misplaced realloc or free fails or faults at once.
namespace tessaly::private_heap {
namespace {

HANDLE heap() {
  // Created at the first allocation, kept until the process ends: blocks may outlive every
  // static object.
  static HANDLE created = HeapCreate(0, 0, 0);
  return created;
}

} // namespace

void* allocate(std::size_t bytes) {
  return heap() ? HeapAlloc(heap(), 0, bytes) : nullptr;
}

void* reallocate(void* block, std::size_t bytes) {
  if (!block)
    return allocate(bytes);
  return HeapReAlloc(heap(), 0, block, bytes);
}

void release(void* block) {
  if (block)
    HeapFree(heap(), 0, block);
}

} // namespace tessaly::private_heap
