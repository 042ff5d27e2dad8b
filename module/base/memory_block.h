// MemoryBlock: a growable run of bytes that owns its storage. The growth policy decides how the
// allocated capacity follows the size that callers ask for. A request that cannot be met (too
// large, or memory exhausted) leaves the block exactly as it was and returns null.
#pragma once

#include <cstdint>

namespace vorlane {

enum class GrowthPolicy : uint32_t {
  Exact,       // capacity equals size
  Doubling,    // capacity is a power of two that follows the size up and down
  DoublingKeep // capacity is a power of two that only grows
};

class MemoryBlock {
public:
  MemoryBlock() = default;
  explicit MemoryBlock(GrowthPolicy policy) : policy_(policy) {}
  ~MemoryBlock();
  MemoryBlock(const MemoryBlock&) = delete;
  MemoryBlock& operator=(const MemoryBlock&) = delete;

  // Only meant right after construction.
  void set_policy(GrowthPolicy policy) { policy_ = policy; }

  // Sets the size to n bytes. Returns the storage, which is null for a size of 0 under Exact and
  // Doubling; null for n > 0 means growing failed and nothing changed. Shrinking always succeeds:
  // when the smaller block cannot be had, the larger one is kept.
  uint8_t* resize(uint32_t n);
  // Grows the size to n if it is smaller. False when growing failed.
  bool ensure_size(uint32_t n);
  // Makes the size at least offset + count and copies count bytes there (zeros for a null
  // source). Returns the storage at offset, or null when the size could not be reached.
  uint8_t* write_at(const void* source, uint32_t count, uint32_t offset);
  uint8_t* append_bytes(const void* source, uint32_t count) {
    return write_at(source, count, size_);
  }
  // Trades storage with other; each block keeps its own growth policy, which its next resize
  // applies. Under the doubling policies a block may so hold a capacity that is no power of two:
  // it keeps that storage as long as the size fits, and grows from it to a power of two.
  void swap_storage(MemoryBlock& other);

  uint8_t* data() const { return data_; }
  uint32_t size() const { return size_; }
  uint32_t capacity() const { return capacity_; }
  GrowthPolicy policy() const { return policy_; }

private:
  uint8_t* data_ = nullptr;
  uint32_t capacity_ = 0;
  uint32_t size_ = 0;
  GrowthPolicy policy_ = GrowthPolicy::Exact;
};

} // namespace vorlane
