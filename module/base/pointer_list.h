// PointerList and SelectionMask: the list and mask interfaces handed to the host for the length
// of one call. Their operations are called by position; the order is part of the contract.
#pragma once

#include <cstdint>

namespace vorlane {

// Tells which indexes are selected.
class SelectionMask {
public:
  // Non-zero when index is selected.
  virtual bool test(uint32_t index) const = 0;
  // First position p of the run from start covering |count| positions (downwards for a negative
  // count) whose test(p) equals value; start + count when there is none, start for count 0.
  virtual uint32_t find(bool value, uint32_t start, int32_t count) const = 0;
};

// An ordered list of untyped pointers. The list never looks at what its entries point to.
class PointerList {
public:
  virtual uint32_t count() const = 0;
  // Indexes are not checked: callers stay below count().
  virtual void* item_at(uint32_t index) const = 0;
  virtual void* remove_at(uint32_t index) = 0;
  // Keeps only the entries whose index the mask selects, in order.
  virtual void keep_masked(const SelectionMask& mask) = 0;
  // Inserts before index; index == count() appends.
  virtual void insert_at(void* entry, uint32_t index) = 0;
};

} // namespace vorlane
