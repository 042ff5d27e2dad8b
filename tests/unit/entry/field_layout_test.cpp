// The host reads the factory nodes' fields by offset, and a MemoryBlock, a Utf8String and a
// ServiceEnumerator have a fixed field order. The offsets are measured on real objects. Where
// pointers are 4 bytes wide (the product) the expected figures are the literal ones; elsewhere
// they are derived from the pointer size.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <new>

#include "base/memory_block.h"
#include "base/utf8_string.h"
#include "entry/component_client.h"
#include "entry/host_access.h"
#include "support/fake_host.h"

namespace {

using vorlane::GrowthPolicy;
using vorlane::MemoryBlock;

constexpr long kPointer = static_cast<long>(sizeof(void*));

constexpr long round_up(long n, long to) {
  return (n + to - 1) / to * to;
}

struct FieldRow {
  const char* field;
  long found;
  long figure_32;   // with 4-byte pointers
  long figure_else; // from the pointer size
};

void expect_offsets(std::initializer_list<FieldRow> rows) {
  for (const FieldRow& row : rows) {
    long expected = kPointer == 4 ? row.figure_32 : row.figure_else;
    EXPECT_EQ(expected, row.found)
        << row.field << " is at offset " << row.found << ", expected " << expected;
  }
}

long distance(const void* from, const void* to) {
  return static_cast<long>(static_cast<const char*>(to) - static_cast<const char*>(from));
}

// The first offset, in steps of `step`, at which the object's bytes hold the value; -1 if none.
template <class Value>
long offset_of_value(const void* object, size_t object_size, const Value& value, size_t step) {
  const char* bytes = static_cast<const char*>(object);
  for (size_t at = 0; at + sizeof value <= object_size; at += step) {
    if (std::memcmp(bytes + at, &value, sizeof value) == 0)
      return static_cast<long>(at);
  }
  return -1;
}

TEST(FieldLayout, FactoryNodes) {
  vorlane::ServiceFactory* head = vorlane::component_client.factory_list();
  ASSERT_NE(nullptr, head);
  for (vorlane::ServiceFactory* node = head; node; node = node->next) {
    SCOPED_TRACE(node == head ? "output format factory" : "preferences page factory");
    expect_offsets({{"next", distance(node, &node->next), 4, kPointer},
                    {"class_id", distance(node, &node->class_id), 8, 2 * kPointer}});
  }
  // The page factory hands out the page that it holds as its fourth field.
  vorlane::ServiceFactory* page_node = head->next;
  ASSERT_NE(nullptr, page_node);
  vorlane::HostService* page = page_node->create();
  expect_offsets({{"the page", distance(page_node, page), 24, 2 * kPointer + 16}});
  page->release();
}

// Built in zeroed storage, so that no padding byte can pass for a field.
TEST(FieldLayout, MemoryBlock) {
  alignas(MemoryBlock) unsigned char storage[sizeof(MemoryBlock)] = {};
  auto* block = new (storage) MemoryBlock(GrowthPolicy::DoublingKeep);
  ASSERT_NE(nullptr, block->resize(5));
  const uint8_t* data = block->data();
  const uint32_t capacity = 8, size = 5, policy = 2;
  ASSERT_EQ(capacity, block->capacity());
  ASSERT_EQ(static_cast<uint32_t>(GrowthPolicy::DoublingKeep), policy);
  expect_offsets({
      {"data", offset_of_value(storage, sizeof storage, data, sizeof(void*)), 0, 0},
      {"capacity", offset_of_value(storage, sizeof storage, capacity, 4), 4, kPointer},
      {"size", offset_of_value(storage, sizeof storage, size, 4), 8, kPointer + 4},
      {"policy", offset_of_value(storage, sizeof storage, policy, 4), 12, kPointer + 8},
  });
  block->~MemoryBlock();
}

TEST(FieldLayout, Utf8String) {
  alignas(vorlane::Utf8String) unsigned char storage[sizeof(vorlane::Utf8String)] = {};
  auto* text = new (storage) vorlane::Utf8String;
  text->assign_text("eleven char");
  const uint32_t length = 11;
  ASSERT_EQ(length, text->length());
  // Behind the interface pointer: the block, then the length.
  expect_offsets({
      {"storage", distance(storage, &text->storage()), 4, kPointer},
      {"length", offset_of_value(storage, sizeof storage, length, 4), 20,
       kPointer + round_up(kPointer + 12, kPointer)},
  });
  text->~Utf8String();
}

TEST(FieldLayout, ServiceEnumerator) {
  fake::Host host;
  const vorlane::Guid id = {
      0x11223344, 0x5566, 0x7788, {0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xf0, 0x0f}};
  alignas(
      vorlane::ServiceEnumerator) unsigned char storage[sizeof(vorlane::ServiceEnumerator)] = {};
  auto* walk = new (storage) vorlane::ServiceEnumerator(id);
  walk->first();
  walk->next();
  walk->next();
  const uint32_t next_index = 3;
  ASSERT_EQ(next_index, walk->next_index());
  expect_offsets({
      {"next index", offset_of_value(storage, sizeof storage, next_index, 4), 0, 0},
      {"class identifier", offset_of_value(storage, sizeof storage, id, 4), 4, 4},
  });
  walk->~ServiceEnumerator();
}

} // namespace
