#include "pointer_array.h"

#include "entry/host_access.h"

namespace vorlane {

void PointerArray::insert_at(void* entry, uint32_t index) {
  uint32_t n = count() + 1;
  if (n > UINT32_MAX / sizeof(void*) || !resize_entries(n))
    return;
  void** e = entries();
  for (uint32_t i = n - 1; i > index; --i)
    e[i] = e[i - 1];
  e[index] = entry;
}

void* PointerArray::remove_at(uint32_t index) {
  void** e = entries();
  uint32_t old_count = count();
  void* removed = e[index];
  for (uint32_t i = index + 1; i < old_count; ++i)
    e[i - 1] = e[i];
  resize_entries(old_count - 1); // shrinking always succeeds
  return removed;
}

void PointerArray::keep_masked(const SelectionMask& mask) {
  uint32_t n = count();
  uint32_t first = mask.find(false, 0, static_cast<int32_t>(n));
  if (first >= n)
    return;
  void** e = entries();
  uint32_t out = first;
  uint32_t i = mask.find(true, first + 1, static_cast<int32_t>(n - first - 1));
  while (i < n) {
    e[out++] = e[i];
    i = mask.find(true, i + 1, static_cast<int32_t>(n - i - 1));
  }
  resize_entries(out);
}

void PointerArray::remove_masked(const SelectionMask& mask) {
  keep_masked(InvertedMask(mask));
}

void PointerArray::remove_all() {
  remove_masked(AllEntriesMask());
}

namespace {

// Through the HandleService in one call. A host that offers handles but no HandleService still
// gets each reference back, through the handle's own release, rather than losing it.
void give_back(TrackHandle* const* handles, uint32_t n) {
  if (HandleService* service = handle_service()) {
    service->release_handles(handles, n);
    return;
  }
  for (uint32_t i = 0; i < n; ++i)
    handles[i]->release();
}

} // namespace

void HandleList::insert_at(void* entry, uint32_t index) {
  uint32_t before = count();
  PointerArray::insert_at(entry, index);
  if (count() != before || !entry)
    return;
  TrackHandle* refused = static_cast<TrackHandle*>(entry);
  give_back(&refused, 1);
}

void HandleList::release_all() {
  uint32_t n = count();
  if (n == 0)
    return;
  give_back(reinterpret_cast<TrackHandle* const*>(data()), n);
  remove_all();
}

} // namespace vorlane
