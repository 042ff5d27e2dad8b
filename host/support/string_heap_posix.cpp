#include "support/string_heap.h"

#include <cstdint>
#include <cstdlib>

// Blocks of the C runtime's malloc, handed out a header's width behind their start: free or
// realloc of such an address by anybody but this file is a free of memory that malloc never
// handed out, which AddressSanitizer reports, and which corrupts an unsanitized heap. The header
// keeps the alignment that malloc promises.
namespace tessaly::private_heap {
namespace {

constexpr std::size_t kHeader = alignof(std::max_align_t);

void* behind_header(void* start) {
  return start ? static_cast<char*>(start) + kHeader : nullptr;
}

void* header_of(void* block) {
  return static_cast<char*>(block) - kHeader;
}

} // namespace

void* allocate(std::size_t bytes) {
  if (bytes > SIZE_MAX - kHeader)
    return nullptr;
  return behind_header(std::malloc(bytes + kHeader));
}

void* reallocate(void* block, std::size_t bytes) {
  if (!block)
    return allocate(bytes);
  if (bytes > SIZE_MAX - kHeader)
    return nullptr;
  return behind_header(std::realloc(header_of(block), bytes + kHeader));
}

void release(void* block) {
  if (block)
    std::free(header_of(block));
}

} // namespace tessaly::private_heap
