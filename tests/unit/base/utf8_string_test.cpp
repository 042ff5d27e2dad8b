#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/allocator.h"
#include "base/utf8_string.h"
#include "common/block_bytes.h"
#include "support/allocation_failures.h"

using vorlane::HeapString;
using vorlane::kEmptyText;
using vorlane::kNotFound;
using vorlane::kWholeText;
using vorlane::ScratchString;
using vorlane::Utf8String;

namespace {

using test_support::hex;

// The string's bytes by its length, embedded NULs included.
std::string bytes_of(const Utf8String& s) {
  return std::string(s.text(), s.length());
}

// Checks the invariants every modifying operation keeps.
void expect_sound(const Utf8String& s) {
  ASSERT_NE(nullptr, s.text());
  if (s.length() == 0) {
    EXPECT_EQ(kEmptyText, s.text());
    EXPECT_EQ('\0', s.text()[0]);
    return;
  }
  EXPECT_GE(s.storage().size(), s.length() + 1);
  EXPECT_EQ('\0', s.text()[s.length()]) << "no NUL behind the text";
}

} // namespace

TEST(Utf8String, NewStringIsEmptyWithoutStorage) {
  Utf8String s;
  EXPECT_EQ(0u, s.length());
  EXPECT_EQ(kEmptyText, s.text());
  EXPECT_EQ(nullptr, s.storage().data());
  EXPECT_EQ(vorlane::GrowthPolicy::Exact, s.storage().policy());
  ScratchString scratch;
  EXPECT_EQ(kEmptyText, scratch.text());
  EXPECT_EQ(vorlane::GrowthPolicy::DoublingKeep, scratch.storage().policy());
}

TEST(Utf8String, EmptyTextIsSharedEvenWithStorage) {
  Utf8String s;
  s.assign_text("abc");
  s.truncate(0);
  EXPECT_NE(nullptr, s.storage().data());
  EXPECT_EQ(kEmptyText, s.text());
}

TEST(Utf8String, BoundedLength) {
  struct Row {
    const char* text;
    uint32_t max;
    uint32_t expected;
  };
  const Row rows[] = {{nullptr, kWholeText, 0},
                      {"", kWholeText, 0},
                      {"abc", kWholeText, 3},
                      {"abc", 2, 2},
                      {"abc", 0, 0},
                      {"ab\0cd", 5, 2},
                      {"abc", 3, 3},
                      {"abc", 100, 3}};
  for (const Row& row : rows) {
    EXPECT_EQ(row.expected, vorlane::bounded_length(row.text, row.max))
        << (row.text ? row.text : "(null)") << " max " << row.max;
  }
  // Reads nothing at or beyond the maximum: an unterminated heap buffer of exactly 3 bytes.
  std::unique_ptr<char[]> unterminated(new char[3]{'x', 'y', 'z'});
  EXPECT_EQ(3u, vorlane::bounded_length(unterminated.get(), 3));
  Utf8String s;
  s.append(unterminated.get(), 3);
  EXPECT_STREQ("xyz", s.text());
  // Texts long enough to be read a word at a time, at every alignment, the NUL or the maximum
  // anywhere in them: the shorter of the two.
  char buffer[64];
  for (uint32_t start = 0; start < 8; ++start) {
    for (uint32_t nul = 0; nul < 40; ++nul) {
      std::memset(buffer, 'a', sizeof buffer);
      buffer[start + nul] = '\0';
      for (uint32_t max : {kWholeText, nul, nul + 1, nul + 9, 0u, 7u, 8u, 17u}) {
        EXPECT_EQ(std::min(nul, max), vorlane::bounded_length(buffer + start, max))
            << "start " << start << ", NUL at " << nul << ", max " << max;
      }
    }
  }
}

TEST(Utf8String, Append) {
  struct Row {
    const char* before;
    const char* text;
    uint32_t max;
    const char* after;
  };
  const Row rows[] = {
      {"", nullptr, kWholeText, ""}, {"ab", nullptr, kWholeText, "ab"},
      {"ab", "", kWholeText, "ab"},  {"ab", "", 5, "ab"},
      {"ab", "", 0, "ab"},           {"", "abcdef", 3, "abc"},
      {"x", "abcdef", 0, "x"},       {"x", "abcdef", kWholeText, "xabcdef"},
      {"x", "ab\0cd", 5, "xab"},     {"", "\xC3\xA9t\xC3\xA9", kWholeText, "\xC3\xA9t\xC3\xA9"},
      {"ab", "cd", 100, "abcd"},
  };
  for (const Row& row : rows) {
    Utf8String s;
    if (*row.before)
      s.assign_text(row.before);
    s.append(row.text, row.max);
    EXPECT_STREQ(row.after, s.text())
        << "'" << row.before << "' + '" << (row.text ? row.text : "(null)") << "' max " << row.max;
    EXPECT_EQ(std::strlen(row.after), s.length());
    expect_sound(s);
  }
}

TEST(Utf8String, Assign) {
  struct Row {
    const char* before;
    const char* text;
    uint32_t max;
    const char* after;
  };
  const Row rows[] = {
      {"abc", "xyz", kWholeText, "xyz"}, {"abc", "abcdef", 0, ""},
      {"abc", nullptr, kWholeText, ""},  {"", "abcdef", 4, "abcd"},
      {"abc", "", kWholeText, ""},       {"a", "b\0c", 3, "b"},
  };
  for (const Row& row : rows) {
    Utf8String s;
    s.assign_text(row.before);
    s.assign(row.text, row.max);
    EXPECT_STREQ(row.after, s.text())
        << "'" << row.before << "' := '" << (row.text ? row.text : "(null)") << "' max " << row.max;
    EXPECT_EQ(std::strlen(row.after), s.length());
    expect_sound(s);
  }
}

TEST(Utf8String, ConveniencesReturnTheTextAfterwards) {
  Utf8String s, other;
  EXPECT_EQ(s.text(), s.assign_text("ab"));
  EXPECT_STREQ("ab", s.text());
  EXPECT_EQ(s.text(), s.append_text("cd"));
  EXPECT_STREQ("abcd", s.text());
  other.assign_text("xyz");
  EXPECT_EQ(s.text(), s.assign_from(other));
  EXPECT_STREQ("xyz", s.text());
  s.reset();
  EXPECT_EQ(0u, s.length());
  EXPECT_EQ(kEmptyText, s.assign_text(""));
}

// Block size and capacity after each step: grow to need + 16, shrink to the need only when more
// than 32 bytes would be spare. A ScratchString sees the same sizes on doubling storage.
TEST(Utf8String, Reservation) {
  struct Step {
    const char* what;
    uint32_t size;
    uint32_t exact_capacity;
    uint32_t scratch_capacity;
  };
  const std::string thirty(30, 'y');
  const Step steps[] = {
      {"assign abc", 20, 20, 32},       // needs 4
      {"append 30 bytes", 50, 50, 64},  // needs 34
      {"assign x", 2, 2, 64},           // needs 2; 50 > 2 + 32
      {"append 10 bytes", 28, 28, 64},  // needs 12
      {"truncate 1", 28, 28, 64},       // needs 2; 28 is not more than 2 + 32
      {"append 40 bytes", 58, 58, 64},  // needs 42
      {"truncate 9", 10, 10, 64},       // needs 10; 58 > 10 + 32
      {"remove_range 0 9", 10, 10, 64}, // needs 1; 10 is not more than 33
  };
  for (int kind = 0; kind < 2; ++kind) {
    std::unique_ptr<Utf8String> s(kind == 0 ? new Utf8String : new ScratchString);
    for (const Step& step : steps) {
      std::string what = step.what;
      if (what == "assign abc")
        s->assign_text("abc");
      else if (what == "append 30 bytes")
        s->append_text(thirty.c_str());
      else if (what == "assign x")
        s->assign_text("x");
      else if (what == "append 10 bytes")
        s->append_text("0123456789");
      else if (what == "truncate 1")
        s->truncate(1);
      else if (what == "append 40 bytes")
        s->append_text(std::string(40, 'z').c_str());
      else if (what == "truncate 9")
        s->truncate(9);
      else if (what == "remove_range 0 9")
        s->remove_range(0, 9);
      SCOPED_TRACE(testing::Message()
                   << (kind == 0 ? "Utf8String: " : "ScratchString: ") << step.what);
      EXPECT_EQ(step.size, s->storage().size());
      EXPECT_EQ(kind == 0 ? step.exact_capacity : step.scratch_capacity, s->storage().capacity());
      expect_sound(*s);
    }
  }
}

// The exact-count forms leave the same bytes and the same storage as assign and append of the
// same text: the reservation rule holds for them too.
TEST(Utf8String, AssignBytesAndAppendBytesMatchAssignAndAppend) {
  const std::string texts[] = {"abc", std::string(30, 'y'),  "x",
                               "",    std::string(100, 'z'), "0123456789",
                               "",    std::string(3, 'w')};
  for (int kind = 0; kind < 2; ++kind) {
    std::unique_ptr<Utf8String> a(kind == 0 ? new Utf8String : new ScratchString);
    std::unique_ptr<Utf8String> b(kind == 0 ? new Utf8String : new ScratchString);
    for (int step = 0; step < 16; ++step) {
      const std::string& text = texts[step % 8];
      bool appends = step % 3 != 0;
      SCOPED_TRACE(testing::Message() << (kind ? "ScratchString, " : "") << "step " << step);
      if (appends) {
        a->append_text(text.c_str());
        EXPECT_TRUE(b->append_bytes(text.data(), static_cast<uint32_t>(text.size())));
      } else {
        a->assign_text(text.c_str());
        EXPECT_TRUE(b->assign_bytes(text.data(), static_cast<uint32_t>(text.size())));
      }
      EXPECT_EQ(bytes_of(*a), bytes_of(*b));
      EXPECT_EQ(a->storage().size(), b->storage().size());
      EXPECT_EQ(a->storage().capacity(), b->storage().capacity());
      expect_sound(*b);
    }
  }
}

TEST(Utf8String, FirstModificationAllocatesEvenWhenAddingNothing) {
  Utf8String s;
  s.append("", kWholeText);
  EXPECT_EQ(17u, s.storage().size());
  EXPECT_EQ(kEmptyText, s.text());
}

TEST(Utf8String, Truncate) {
  struct Row {
    const char* before;
    uint32_t length;
    const char* after;
  };
  const Row rows[] = {{"abc", 5, "abc"}, {"abc", 3, "abc"}, {"abc", 1, "a"},
                      {"abc", 0, ""},    {"", 0, ""},       {"", 4, ""}};
  for (const Row& row : rows) {
    Utf8String s;
    s.assign_text(row.before);
    uint32_t size = s.storage().size();
    s.truncate(row.length);
    EXPECT_STREQ(row.after, s.text()) << "truncate(" << row.length << ") of '" << row.before << "'";
    expect_sound(s);
    if (std::strlen(row.before) <= row.length) {
      EXPECT_EQ(size, s.storage().size()) << "a truncate that cuts nothing touched the storage";
    }
  }
  Utf8String fresh;
  fresh.truncate(0);
  EXPECT_EQ(nullptr, fresh.storage().data());
}

TEST(Utf8String, TakeStorageTradesBlocksThenAppliesTheReservationRule) {
  struct Row {
    uint32_t block_size;
    uint32_t length;
    uint32_t size_after; // the text needs length + 1
  };
  const Row rows[] = {{64, 40, 64}, {64, 31, 64}, {64, 30, 31}, {4096, 100, 101}, {1, 0, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.length << " bytes of a block of " << row.block_size);
    Utf8String s;
    s.assign_text("old text");
    vorlane::MemoryBlock block(vorlane::GrowthPolicy::DoublingKeep);
    ASSERT_NE(nullptr, block.resize(row.block_size));
    std::memset(block.data(), 'x', row.block_size);
    const uint8_t* bytes = block.data();
    s.take_storage(block, row.length);
    EXPECT_EQ(std::string(row.length, 'x'), bytes_of(s));
    EXPECT_EQ(row.size_after, s.storage().size());
    expect_sound(s);
    if (row.size_after == row.block_size) {
      EXPECT_EQ(bytes, s.storage().data()) << "the text was copied";
    }
    // The block got the string's storage, and keeps its own policy.
    EXPECT_EQ("old text", std::string(reinterpret_cast<const char*>(block.data()), 8));
    EXPECT_EQ(vorlane::GrowthPolicy::DoublingKeep, block.policy());
    EXPECT_EQ(vorlane::GrowthPolicy::Exact, s.storage().policy());
  }
}

TEST(Utf8String, FindChar) {
  struct Row {
    const char* text;
    char byte;
    int32_t start;
    uint32_t expected;
  };
  const Row rows[] = {
      {"a<b>c", '>', 0, 3},
      {"a<b>c", '>', 4, kNotFound},
      {"a<b>c", '>', -7, 3},
      {"a<b>c", '>', 3, 3},
      {"a<b>c", 'c', 4, 4},
      {"a<b>c", 'a', 1, kNotFound},
      {"a<b>c", 'a', 5, kNotFound},
      {"a<b>c", 'a', 100, kNotFound},
      {"a<b>c", 'z', 0, kNotFound},
      {"", 'a', 0, kNotFound},
      {"", '\0', 0, kNotFound},
      {"abc", '\0', 0, kNotFound},
      {"}}", '}', 1, 1},
      {"a\xC3\xA9}", '}', 0, 3},
  };
  for (const Row& row : rows) {
    Utf8String s;
    s.assign_text(row.text);
    EXPECT_EQ(row.expected, s.find_char(static_cast<uint8_t>(row.byte), row.start))
        << "'" << row.byte << "' in '" << row.text << "' from " << row.start;
  }
}

TEST(Utf8String, FindText) {
  struct Row {
    const char* text;
    const char* needle;
    int32_t start;
    uint32_t expected;
  };
  const Row rows[] = {
      {"", "", 0, kNotFound},
      {"a", "", 0, 0},
      {"abc", "", 2, 2},
      {"abc", "", 3, kNotFound},
      {"abc", "", -4, 0},
      {"abc", "bc", 0, 1},
      {"abc", "cd", 0, kNotFound},
      {"abc", "abcd", 0, kNotFound},
      {"abc", "c", 2, 2},
      {"abab", "ab", 1, 2},
      {"aab", "ab", -5, 1},
      {"abab", "ab", 3, kNotFound},
      {"@html@htmlsafe{", "@htmlsafe{", 0, 5},
      {"x@htmlsafe", "@htmlsafe{", 0, kNotFound},
      {"abc", "abc", 1, kNotFound},
      {"abc", "abc", 0, 0},
  };
  for (const Row& row : rows) {
    Utf8String s;
    s.assign_text(row.text);
    EXPECT_EQ(row.expected, s.find_text(row.needle, row.start))
        << "'" << row.needle << "' in '" << row.text << "' from " << row.start;
  }
}

TEST(Utf8String, FindTextAndCharSeeBytesBehindAnEmbeddedNul) {
  Utf8String s;
  s.insert_text(0, "ab\0c}d", 6);
  EXPECT_EQ(3u, s.find_text("c}", 0));
  EXPECT_EQ(4u, s.find_char('}', 0));
  EXPECT_EQ(2u, s.find_char('\0', 0));
}

TEST(Utf8String, RemoveRange) {
  struct Row {
    const char* before;
    uint32_t position;
    uint32_t count;
    const char* after;
  };
  const Row rows[] = {
      {"abc", 1, 100, "a"},        {"abc", 7, 1, "abc"},
      {"abc", 0, 0, "abc"},        {"abc", 0, 3, ""},
      {"abcdef", 2, 2, "abef"},    {"abc", 3, 5, "abc"},
      {"abc", 1, kWholeText, "a"}, {"abc", kWholeText, kWholeText, "abc"},
      {"abc", 2, 1, "ab"},         {"", 0, 1, ""},
  };
  for (const Row& row : rows) {
    Utf8String s;
    s.assign_text(row.before);
    s.remove_range(row.position, row.count);
    EXPECT_STREQ(row.after, s.text())
        << "remove_range(" << row.position << ", " << row.count << ") on '" << row.before << "'";
    EXPECT_EQ(std::strlen(row.after), s.length());
    expect_sound(s);
  }
}

TEST(Utf8String, InsertText) {
  struct Row {
    const char* before;
    uint32_t position;
    const char* text;
    const char* after;
  };
  const Row rows[] = {
      {"abc", 1, "XY", "aXYbc"}, {"abc", 9, "XY", "abcXY"},
      {"abc", 0, "XY", "XYabc"}, {"abc", 3, "XY", "abcXY"},
      {"", 0, "XY", "XY"},       {"", 5, "XY", "XY"},
      {"abc", 1, "", "abc"},     {"abc", kWholeText, "Z", "abcZ"},
  };
  for (const Row& row : rows) {
    Utf8String s;
    if (*row.before)
      s.assign_text(row.before);
    s.insert_text(row.position, row.text);
    EXPECT_STREQ(row.after, s.text())
        << "insert_text(" << row.position << ", '" << row.text << "') on '" << row.before << "'";
    EXPECT_EQ(std::strlen(row.after), s.length());
    expect_sound(s);
  }
}

TEST(Utf8String, InsertTextCopiesExactlyCountBytes) {
  Utf8String s;
  s.assign_text("abc");
  s.insert_text(1, "X\0Yzzz", 3);
  EXPECT_EQ(std::string("aX\0Ybc", 6), bytes_of(s));
  expect_sound(s);
  s.insert_text(0, "QRS", 2);
  EXPECT_EQ(std::string("QRaX\0Ybc", 8), bytes_of(s));
}

// A length plus a count past 2^32 - 1 must be refused, not wrapped into a small allocation.
TEST(Utf8String, HugeCountsAreRefused) {
  const uint32_t counts[] = {0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFCu, 0xFFFFFFFBu,
                             0xFFFFFFF0u, 0xFFFFFFEFu, 0x80000000u};
  for (uint32_t count : counts) {
    SCOPED_TRACE(testing::Message() << "count 0x" << std::hex << count);
    Utf8String s;
    s.assign_text("abc");
    const uint8_t* storage = s.storage().data();
    s.insert_text(1, "XY", count);
    EXPECT_STREQ("abc", s.text());
    EXPECT_EQ(3u, s.length());
    EXPECT_EQ(storage, s.storage().data());
    EXPECT_EQ(20u, s.storage().size());
  }
}

TEST(Utf8String, EncodeUtf8) {
  struct Row {
    uint32_t code_point;
    std::string bytes;
  };
  const Row rows[] = {
      {0x00, std::string(1, '\0')},
      {0x41, "\x41"},
      {0x7F, "\x7F"},
      {0x80, "\xC2\x80"},
      {0xE9, "\xC3\xA9"},
      {0x7FF, "\xDF\xBF"},
      {0x800, "\xE0\xA0\x80"},
      {0x20AC, "\xE2\x82\xAC"},
      {0xD800, "\xED\xA0\x80"},
      {0xFFFF, "\xEF\xBF\xBF"},
      {0x10000, "\xF0\x90\x80\x80"},
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},
      {0x1FFFFF, "\xF7\xBF\xBF\xBF"},
      {0x200000, "\xF8\x88\x80\x80\x80"},
      {0x3FFFFFF, "\xFB\xBF\xBF\xBF\xBF"},
      {0x4000000, "\xFC\x84\x80\x80\x80\x80"},
      {0x7FFFFFFF, "\xFD\xBF\xBF\xBF\xBF\xBF"},
      {0x80000000u, ""},
      {0xFFFFFFFFu, ""},
  };
  for (const Row& row : rows) {
    uint8_t out[8];
    std::memset(out, 0xAA, sizeof out);
    uint32_t n = vorlane::encode_utf8(row.code_point, out);
    EXPECT_EQ(hex(row.bytes), hex(std::string(reinterpret_cast<char*>(out), n)))
        << "code point 0x" << std::hex << row.code_point;
    EXPECT_EQ(0xAA, out[n]) << "wrote past its count for 0x" << std::hex << row.code_point;
    EXPECT_EQ(n, vorlane::encode_utf8(row.code_point, nullptr)) << "count only";
  }
}

TEST(Utf8String, AppendCodePoint) {
  struct Row {
    uint32_t code_point;
    std::string appended;
  };
  const Row rows[] = {
      {0xE9, "\xC3\xA9"}, {0x20AC, "\xE2\x82\xAC"},     {'A', "A"}, {0, ""}, {0x80000000u, ""},
      {0xFFFFFF80u, ""},  {0x1F600, "\xF0\x9F\x98\x80"}};
  for (const Row& row : rows) {
    Utf8String s;
    s.assign_text("<");
    s.append_code_point(row.code_point);
    EXPECT_EQ(hex("<" + row.appended), hex(bytes_of(s))) << "0x" << std::hex << row.code_point;
  }
}

TEST(Utf8String, AppendRepeated) {
  struct Row {
    uint32_t code_point;
    uint32_t count;
    std::string appended;
  };
  const Row rows[] = {{' ', 3, "   "}, {' ', 0, ""}, {0xE9, 2, "\xC3\xA9\xC3\xA9"}, {0, 5, ""}};
  for (const Row& row : rows) {
    Utf8String s;
    s.assign_text("x");
    s.append_repeated(row.code_point, row.count);
    EXPECT_EQ("x" + row.appended, bytes_of(s)) << row.code_point << " x " << row.count;
  }
}

TEST(HeapString, HoldsACopy) {
  char source[] = "abc";
  HeapString s(source);
  source[0] = 'X';
  EXPECT_STREQ("abc", s.text());

  HeapString empty;
  EXPECT_EQ(kEmptyText, empty.text());
  HeapString from_empty("");
  EXPECT_STREQ("", from_empty.text());
}

TEST(HeapString, Assign) {
  struct Row {
    const char* before; // null: a string constructed empty
    const char* text;
    uint32_t max;
    const char* after;
  };
  const Row rows[] = {
      {nullptr, "abc", kWholeText, "abc"},
      {"old", "abcdef", 3, "abc"},
      {"old", "", kWholeText, ""},
      {"old", "abc", 0, ""},
      {"old", nullptr, kWholeText, ""},
      {"old", "a\0b", 3, "a"},
      {"old", "longer text", kWholeText, "longer text"},
  };
  for (const Row& row : rows) {
    std::unique_ptr<HeapString> s(row.before ? new HeapString(row.before) : new HeapString);
    EXPECT_TRUE(s->assign(row.text, row.max));
    EXPECT_STREQ(row.after, s->text());
    if (*row.after == '\0') {
      EXPECT_EQ(kEmptyText, s->text()) << "an empty assign keeps no copy";
    }
  }
  HeapString s("x");
  EXPECT_EQ(s.text(), s.assign_text("yz"));
  EXPECT_STREQ("yz", s.text());
}

using StringFailures = fake::AllocationFailures;

TEST_F(StringFailures, HeapStringKeepsItsCopyWhenMemoryRunsOut) {
  vorlane::fail_allocation(1, false);
  HeapString unborn("abc");
  EXPECT_EQ(kEmptyText, unborn.text());

  HeapString s("old");
  vorlane::fail_allocation(1, true);
  EXPECT_FALSE(s.assign("a much longer text than before", kWholeText));
  EXPECT_STREQ("old", s.text());
  EXPECT_TRUE(s.assign("", kWholeText)) << "freeing needs no memory";
  EXPECT_EQ(kEmptyText, s.text());
}

// Every modifying operation, with the Nth allocation failing for every N: the string is either
// unchanged or fully changed, never half-written, and always sound.
TEST_F(StringFailures, FailedOperationLeavesTheStringAsItWas) {
  struct Row {
    const char* what;
    void (*run)(Utf8String&);
    const char* after;
  };
  const Row rows[] = {
      {"append", [](Utf8String& s) { s.append_text("0123456789012345678901234567890"); },
       "abc0123456789012345678901234567890"},
      {"assign", [](Utf8String& s) { s.assign_text("0123456789012345678901234567890"); },
       "0123456789012345678901234567890"},
      {"insert_text", [](Utf8String& s) { s.insert_text(1, "0123456789012345678901234567890"); },
       "a0123456789012345678901234567890bc"},
      {"append_repeated", [](Utf8String& s) { s.append_repeated('-', 40); },
       "abc----------------------------------------"},
      {"append_bytes",
       [](Utf8String& s) {
         bool done = s.append_bytes("0123456789012345678901234567890", 31);
         EXPECT_EQ(done, s.length() == 34);
       },
       "abc0123456789012345678901234567890"},
      {"assign_bytes",
       [](Utf8String& s) {
         bool done = s.assign_bytes("0123456789012345678901234567890", 31);
         EXPECT_EQ(done, s.length() == 31);
       },
       "0123456789012345678901234567890"},
  };
  for (const Row& row : rows) {
    for (int kind = 0; kind < 2; ++kind) {
      for (uint32_t n = 1; n < 100; ++n) {
        SCOPED_TRACE(testing::Message() << row.what << (kind ? " on ScratchString" : "")
                                        << ", allocation " << n << " fails");
        std::unique_ptr<Utf8String> s(kind == 0 ? new Utf8String : new ScratchString);
        s->assign_text("abc");
        vorlane::fail_allocation(n, false);
        row.run(*s);
        bool failed = vorlane::allocation_failed();
        vorlane::fail_allocation(0, false);
        expect_sound(*s);
        std::string got = bytes_of(*s);
        if (!failed) {
          EXPECT_EQ(row.after, got);
          break;
        }
        // append_repeated gives up character by character, so any prefix of the change is fine.
        if (std::string(row.what) == "append_repeated")
          EXPECT_EQ(0u, std::string(row.after).find(got)) << got;
        else
          EXPECT_EQ("abc", got);
      }
    }
  }
}
