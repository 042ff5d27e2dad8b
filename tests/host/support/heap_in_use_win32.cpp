#include "common/heap_in_use.h"

#include <malloc.h>

long long heap_in_use() {
  // Every block in use on the C runtime's heap, which the host, kestrel and the module share.
  long long total = 0;
  _HEAPINFO entry{};
  while (_heapwalk(&entry) == _HEAPOK) {
    if (entry._useflag == _USEDENTRY)
      total += static_cast<long long>(entry._size);
  }
  return total;
}
