#ifndef TESTS_COMMON_SAFE_SECTION_ROWS_H
#define TESTS_COMMON_SAFE_SECTION_ROWS_H

// The rewrite's edge cases, as text before and after: one table for the module's unit tests and
// for the host's run of the same entries through process_entry.
namespace test_support {

struct SafeSectionRow {
  const char* before;
  const char* after;
};

inline constexpr SafeSectionRow kSafeSectionRows[] = {
    {"x@htmlsafe{a<b & c>d}y", "xa&lt;b &amp; c&gt;dy"},
    {"@htmlsafe{}", ""},
    {"}@htmlsafe{a}", "}a"},
    {"@htmlsafe{a}b}", "ab}"},
    {"@htmlsafe{a<b} and @htmlsafe{c>d}", "a&lt;b and c&gt;d"},
    {"@htmlsafe{&lt;}", "&amp;lt;"},
    {"@htmlsafe{a<b", "@htmlsafe{a<b"},
    {"@htmlsafe{x}@htmlsafe{y", "x@htmlsafe{y"},
    {"@htmlsafe{<}@htmlsafe{>", "&lt;@htmlsafe{>"},
    {"<@htmlsafe{<}>", "<&lt;>"},
    {"@htmlsafe{a @htmlsafe{&} b}", "a &amp;amp; b"},
    {"@htmlsafe{@htmlsafe{}", "@htmlsafe{"},
    {"@html@htmlsafe{safe{}<}", "&lt;"},
    {"@HTMLSAFE{<}", "@HTMLSAFE{<}"},
};

} // namespace test_support

#endif
