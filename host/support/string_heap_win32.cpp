#include "support/string_heap.h"

#include <cstdio>
#include <cstdlib>

#include "platform/win32.h"

// A heap of the host's own, as a module linked with a static runtime has: the module's C runtime
// neither grows nor frees its blocks. A block handed to this heap that it did not hand out (a
// module's storage put into a host string) stops the program at once, with a message.
namespace tessaly::private_heap {
namespace {

HANDLE heap() {
  // Created at the first allocation, kept until the process ends: blocks may outlive every
  // static object.
  static HANDLE created = HeapCreate(0, 0, 0);
  return created;
}

void* own(void* block, const char* operation) {
  if (!HeapValidate(heap(), 0, block)) {
    std::fprintf(stderr, "tessaly: %s of a block that the host's string heap did not hand out\n",
                 operation);
    std::abort();
  }
  return block;
}

} // namespace

void* allocate(std::size_t bytes) {
  return heap() ? HeapAlloc(heap(), 0, bytes) : nullptr;
}

void* reallocate(void* block, std::size_t bytes) {
  if (!block)
    return allocate(bytes);
  return HeapReAlloc(heap(), 0, own(block, "realloc"), bytes);
}

void release(void* block) {
  if (block)
    HeapFree(heap(), 0, own(block, "free"));
}

} // namespace tessaly::private_heap
