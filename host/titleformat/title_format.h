// The host's title-format language, which turns a format string and the variables of one
// playlist entry into text:
//   %name%           a variable; unknown ones give the empty text. The name runs to the next "%".
//   [ ... ]          shown only when every %name% directly inside (not in a nested bracket or in
//                    a function's arguments) is known and not empty; brackets nest.
//   '...'            literal text; '' is one quote, inside a literal too.
//   $name(a,b,...)   a function: crlf, tab, char, if, if2, upper, lower, len, num, add, sub,
//                    mul, div, mod, greater, replace, json, printable, uri, and the group
//                    functions groupfirst, groupcount, grouplength (a group: the run of
//                    neighbouring entries whose key, the argument, gives the same text).
// The formatter never fails: whatever is malformed comes out as text (a "%" without its closing
// "%", a "$" that starts no call, a call that is never closed) or as [UNKNOWN FUNCTION] (an
// unknown name, the wrong number of arguments), and an unclosed bracket or literal runs to the
// end of the format. Nesting deeper than kMaxTitleFormatDepth is taken as plain text.
//
// A format is compiled once into a TitleFormat and applied to each entry: the parse, the names of
// functions and, through a resolver, the names of variables are settled ahead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessaly {

inline constexpr int kMaxTitleFormatDepth = 64;

// The value of a variable, or none when it is unknown.
using TitleLookup = std::function<std::optional<std::string>(std::string_view name)>;

// The variables of one application of a TitleFormat.
class TitleVariables {
public:
  // Appends the value of the variable to out; nothing when it is unknown, which an empty value is
  // taken as too. field is what the format's resolver said of name, or -1.
  virtual void append_value(std::string_view name, int field, std::string& out) const = 0;

  // The playlist around the entry, for the functions that compare it with its neighbours: the
  // number of entries (0: none known, the entry stands alone), this entry's position, another
  // entry's variables handed to visit, and an entry's length in seconds (negative: unknown).
  virtual size_t entry_count() const { return 0; }
  virtual size_t entry_position() const { return 0; }
  virtual void visit_entry(size_t, const std::function<void(const TitleVariables&)>&) const {}
  virtual double entry_length(size_t) const { return -1; }

protected:
  ~TitleVariables() = default;
};

// What a variable's name stands for, once for the whole format; -1 for nothing known ahead.
using TitleFieldResolver = int (*)(std::string_view name);

class TitleFormat {
public:
  explicit TitleFormat(std::string_view format, TitleFieldResolver resolve = nullptr);

  // Time in proportion to the compiled form and to the text written, at each level of nesting.
  std::string apply(const TitleVariables& variables) const;

  // The bytes the compiled form holds, for a cache to bound what it keeps.
  size_t memory_size() const;

  // Applying a format remembers the groups of the playlist it was applied to (each group
  // function's key made once for every entry): a format must be forgotten, or this called,
  // when the playlist changes. Not for use from several threads at once.
  void forget_groups() const { groups_.clear(); }

private:
  class Compiler;
  class Evaluation;

  struct Range {
    size_t begin = 0;
    size_t count = 0;
  };
  enum class Kind : unsigned char { Text, Variable, Bracket, Call };
  // Text and Variable: bytes of text_ (the text, the name); Bracket: nodes_ (what is inside);
  // Call: arguments_, each a range of nodes_. A sequence's nodes are adjacent in nodes_.
  struct Node {
    Kind kind;
    unsigned char function; // Call: a TitleFunction
    int field;              // Variable: what the resolver said
    Range range;
  };

  std::string text_;
  std::vector<Node> nodes_;
  std::vector<Range> arguments_;
  Range top_;
  // The most argument texts held at once on any path: the evaluation's scratch.
  size_t slots_ = 0;
  // That scratch between applications, so that its texts keep their storage.
  mutable std::vector<std::string> scratch_;

  // The runs of equal keys of one group function's argument over the playlist.
  struct Groups {
    size_t entries = 0;
    std::vector<uint32_t> run_of; // each entry's run
    struct Run {
      size_t first;
      size_t count;
      double seconds; // the known lengths added
      bool any_length;
    };
    std::vector<Run> runs;
  };
  // Keyed by the argument's first node; made on first use.
  mutable std::unordered_map<size_t, Groups> groups_;
};

// Compiles format and applies it once.
std::string format_title_text(std::string_view format, const TitleLookup& lookup);

} // namespace tessaly
