#include "memory_block.h"

#include <bit>
#include <cstring>
#include <utility>

#include "allocator.h"

namespace vorlane {
namespace {

// Blocks of 2^31 bytes or more are out of range; refusing them also keeps doubling from
// wrapping around (the largest capacity is then 2^31).
constexpr uint32_t kFirstSizeOutOfRange = 0x80000000u;

} // namespace

MemoryBlock::~MemoryBlock() {
  mem_free(data_);
}

uint8_t* MemoryBlock::resize(uint32_t n) {
  if (n == 0) {
    if (policy_ != GrowthPolicy::DoublingKeep) {
      mem_free(data_);
      data_ = nullptr;
      capacity_ = 0;
    }
    size_ = 0;
    return data_;
  }
  if (n >= kFirstSizeOutOfRange)
    return nullptr;
  uint32_t target = n;
  if (policy_ == GrowthPolicy::DoublingKeep && n <= capacity_) {
    target = capacity_;
  } else if (policy_ != GrowthPolicy::Exact) {
    // Storage taken over from another block (swap_storage) may have any capacity: the powers of
    // two start again from 1.
    target = std::has_single_bit(capacity_) ? capacity_ : 1;
    while (target < n)
      target *= 2;
    if (policy_ == GrowthPolicy::Doubling) {
      while (target / 2 > n)
        target /= 2;
    }
  }
  if (target != capacity_) {
    void* moved = data_ ? mem_realloc(data_, target) : mem_alloc(target);
    if (!moved) {
      if (target < capacity_) {
        // Giving memory back failed: the larger block still holds everything asked for.
        size_ = n;
        return data_;
      }
      return nullptr;
    }
    data_ = static_cast<uint8_t*>(moved);
    capacity_ = target;
  }
  size_ = n;
  return data_;
}

bool MemoryBlock::ensure_size(uint32_t n) {
  return size_ >= n || resize(n) != nullptr;
}

void MemoryBlock::swap_storage(MemoryBlock& other) {
  std::swap(data_, other.data_);
  std::swap(capacity_, other.capacity_);
  std::swap(size_, other.size_);
}

uint8_t* MemoryBlock::write_at(const void* source, uint32_t count, uint32_t offset) {
  if (count > UINT32_MAX - offset)
    return nullptr;
  if (!ensure_size(offset + count))
    return nullptr;
  if (count == 0)
    return data_ ? data_ + offset : nullptr;
  if (source)
    std::memmove(data_ + offset, source, count);
  else
    std::memset(data_ + offset, 0, count);
  return data_ + offset;
}

} // namespace vorlane
