// PointerArray: the module's PointerList, entries contiguous on a Doubling MemoryBlock. It owns
// only its storage, never what the entries point to. HandleList holds TrackHandle references
// from the host and gives them all back in one call. The masks are stack objects for one call.
#pragma once

#include <cstdint>

#include "base/memory_block.h"
#include "base/pointer_list.h"

namespace vorlane {

class PointerArray : public PointerList {
public:
  PointerArray() : storage_(GrowthPolicy::Doubling) {}
  PointerArray(const PointerArray&) = delete;
  PointerArray& operator=(const PointerArray&) = delete;

  uint32_t count() const override { return storage_.size() / static_cast<uint32_t>(sizeof(void*)); }
  void* item_at(uint32_t index) const override { return data()[index]; }
  void* remove_at(uint32_t index) override;
  void keep_masked(const SelectionMask& mask) override;
  // When the storage cannot grow, the entry is not inserted.
  void insert_at(void* entry, uint32_t index) override;

  void remove_masked(const SelectionMask& mask);
  void remove_all();
  void* const* data() const { return reinterpret_cast<void* const*>(storage_.data()); }
  PointerList* as_list() { return this; }
  const MemoryBlock& storage() const { return storage_; }

private:
  void** entries() { return reinterpret_cast<void**>(storage_.data()); }
  bool resize_entries(uint32_t n) {
    return storage_.resize(n * static_cast<uint32_t>(sizeof(void*))) != nullptr || n == 0;
  }

  MemoryBlock storage_;
};

class HandleList : public PointerArray {
public:
  // A handle the list has no room for goes straight back: the host cannot tell that an insert
  // failed, and the reference would be lost.
  void insert_at(void* entry, uint32_t index) override;
  // Gives every handle back through the HandleService in one call, then empties the list. The
  // service is asked for here, and only when the list holds a handle.
  void release_all();
};

class AllEntriesMask final : public SelectionMask {
public:
  bool test(uint32_t) const override { return true; }
  uint32_t find(bool value, uint32_t start, int32_t count) const override {
    return value ? start : start + static_cast<uint32_t>(count);
  }
};

class InvertedMask final : public SelectionMask {
public:
  explicit InvertedMask(const SelectionMask& inner) : inner_(inner) {}
  bool test(uint32_t index) const override { return !inner_.test(index); }
  uint32_t find(bool value, uint32_t start, int32_t count) const override {
    return inner_.find(!value, start, count);
  }

private:
  const SelectionMask& inner_;
};

} // namespace vorlane
