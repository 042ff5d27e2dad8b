#include "titleformat/title_format.h"

#include <algorithm>

#include "titleformat/functions.h"
#include "titleformat/track_fields.h"

namespace tessaly {
namespace {

constexpr std::string_view kUnknownFunction = "[UNKNOWN FUNCTION]";

bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The bytes that may start or end something: a table answers for each byte in one step.
struct SpecialBytes {
  bool table[256] = {};
  constexpr SpecialBytes() {
    for (char c : std::string_view("'%[$],)"))
      table[static_cast<unsigned char>(c)] = true;
  }
  constexpr bool has(char c) const { return table[static_cast<unsigned char>(c)]; }
};
constexpr SpecialBytes kSpecial;

} // namespace

// One pass over the format. What can be settled without an entry is settled here: a call that is
// malformed or unknown, or whose arguments are all plain text, becomes its text; a bracket with
// no variable directly inside is always shown and becomes what it holds.
class TitleFormat::Compiler {
public:
  Compiler(std::string_view format, TitleFieldResolver resolve, TitleFormat& into)
      : in_(format), resolve_(resolve), to_(into) {}

  void run() {
    std::vector<Node> top;
    sequence(top, Context::Top, 0, 0);
    to_.top_ = commit(top);
    // Kept as long as the format is: no room to spare.
    to_.text_.shrink_to_fit();
    to_.nodes_.shrink_to_fit();
    to_.arguments_.shrink_to_fit();
  }

private:
  // What ends a run of text: only the end of the format at the top, also "]" in a bracket, also
  // "," and ")" in a function's argument.
  enum class Context { Top, Bracket, Argument };

  // Adds to level the nodes up to the end of the context (not consumed). height: the argument
  // texts that the evaluation holds at this point.
  void sequence(std::vector<Node>& level, Context context, int depth, size_t height) {
    while (pos_ < in_.size()) {
      char c = in_[pos_];
      if ((context == Context::Bracket && c == ']') ||
          (context == Context::Argument && (c == ',' || c == ')')))
        return;
      switch (c) {
      case '\'':
        literal(level);
        break;
      case '%':
        variable(level);
        break;
      case '[':
        if (depth < kMaxTitleFormatDepth)
          bracket(level, depth, height);
        else
          add_text(level, in_.substr(pos_++, 1));
        break;
      case '$':
        if (depth < kMaxTitleFormatDepth)
          function(level, depth, height);
        else
          add_text(level, in_.substr(pos_++, 1));
        break;
      default:
        plain(level);
        break;
      }
    }
  }

  // A run of bytes that mean nothing special anywhere; the special ones that mean nothing in this
  // context ("]" outside brackets and so on) come here one at a time.
  void plain(std::vector<Node>& level) {
    size_t end = pos_ + 1;
    while (end < in_.size() && !kSpecial.has(in_[end]))
      ++end;
    add_text(level, in_.substr(pos_, end - pos_));
    pos_ = end;
  }

  void literal(std::vector<Node>& level) {
    ++pos_;
    if (pos_ < in_.size() && in_[pos_] == '\'') {
      add_text(level, "'");
      ++pos_;
      return;
    }
    while (pos_ < in_.size()) {
      size_t quote = in_.find('\'', pos_);
      if (quote == std::string_view::npos) {
        add_text(level, in_.substr(pos_));
        pos_ = in_.size();
        return;
      }
      add_text(level, in_.substr(pos_, quote - pos_));
      pos_ = quote + 1;
      if (pos_ < in_.size() && in_[pos_] == '\'') {
        add_text(level, "'");
        ++pos_;
        continue;
      }
      return;
    }
  }

  void variable(std::vector<Node>& level) {
    size_t close = in_.find('%', pos_ + 1);
    if (close == std::string_view::npos) {
      add_text(level, "%");
      ++pos_;
      return;
    }
    std::string_view name = in_.substr(pos_ + 1, close - pos_ - 1);
    pos_ = close + 1;
    Range range{to_.text_.size(), name.size()};
    to_.text_.append(name);
    level.push_back({Kind::Variable, 0, resolve_ ? resolve_(name) : -1, range});
  }

  void bracket(std::vector<Node>& level, int depth, size_t height) {
    ++pos_;
    std::vector<Node> inside;
    sequence(inside, Context::Bracket, depth + 1, height);
    if (pos_ < in_.size())
      ++pos_; // the "]"
    if (std::none_of(inside.begin(), inside.end(),
                     [](const Node& node) { return node.kind == Kind::Variable; })) {
      for (const Node& node : inside)
        add(level, node);
      return;
    }
    level.push_back({Kind::Bracket, 0, -1, commit(inside)});
  }

  void function(std::vector<Node>& level, int depth, size_t height) {
    size_t start = pos_;
    size_t name_end = pos_ + 1;
    while (name_end < in_.size() && is_name_char(in_[name_end]))
      ++name_end;
    if (name_end == pos_ + 1 || name_end >= in_.size() || in_[name_end] != '(') {
      add_text(level, "$");
      ++pos_;
      return;
    }
    std::string_view name = in_.substr(pos_ + 1, name_end - pos_ - 1);
    pos_ = name_end + 1;
    // What the arguments add is dropped again when the call turns out to be text.
    const Marks marks = mark();
    std::vector<Range> arguments;
    if (pos_ < in_.size() && in_[pos_] == ')') {
      ++pos_;
    } else {
      for (;;) {
        // Argument i is evaluated into slot height + i, with the calls inside it above that.
        size_t slot = height + arguments.size();
        to_.slots_ = std::max(to_.slots_, slot + 1);
        std::vector<Node> argument;
        sequence(argument, Context::Argument, depth + 1, slot + 1);
        arguments.push_back(commit(argument));
        if (pos_ >= in_.size()) {
          // Never closed: the call stays as it was written.
          drop(marks);
          add_text(level, in_.substr(start));
          return;
        }
        if (in_[pos_++] == ')')
          break;
      }
    }
    std::optional<TitleFunction> resolved = title_function(name, arguments.size());
    if (!resolved) {
      drop(marks);
      add_text(level, kUnknownFunction);
      return;
    }
    if (!looks_at_neighbours(*resolved) &&
        std::all_of(arguments.begin(), arguments.end(), [&](Range argument) {
          return argument.count == 0 ||
                 (argument.count == 1 && to_.nodes_[argument.begin].kind == Kind::Text);
        })) {
      std::vector<std::string> values;
      for (Range argument : arguments) {
        const Range text = argument.count ? to_.nodes_[argument.begin].range : Range{};
        values.emplace_back(to_.text_, text.begin, text.count);
      }
      std::string result;
      append_title_function(*resolved, values.data(), values.size(), result);
      drop(marks);
      add_text(level, result);
      return;
    }
    Range range{to_.arguments_.size(), arguments.size()};
    to_.arguments_.insert(to_.arguments_.end(), arguments.begin(), arguments.end());
    level.push_back({Kind::Call, static_cast<unsigned char>(*resolved), -1, range});
  }

  void add_text(std::vector<Node>& level, std::string_view piece) {
    if (piece.empty())
      return;
    Range range{to_.text_.size(), piece.size()};
    to_.text_.append(piece);
    add(level, {Kind::Text, 0, -1, range});
  }

  // Texts next to each other in text_ and in the sequence become one node.
  static void add(std::vector<Node>& level, const Node& node) {
    if (node.kind == Kind::Text && !level.empty() && level.back().kind == Kind::Text &&
        level.back().range.begin + level.back().range.count == node.range.begin) {
      level.back().range.count += node.range.count;
      return;
    }
    level.push_back(node);
  }

  // A finished sequence, adjacent in nodes_.
  Range commit(const std::vector<Node>& level) {
    Range range{to_.nodes_.size(), level.size()};
    to_.nodes_.insert(to_.nodes_.end(), level.begin(), level.end());
    return range;
  }

  struct Marks {
    size_t text, nodes, arguments;
  };
  Marks mark() const { return {to_.text_.size(), to_.nodes_.size(), to_.arguments_.size()}; }
  // Everything added since marks is only reached from what is being dropped.
  void drop(const Marks& marks) {
    to_.text_.resize(marks.text);
    to_.nodes_.resize(marks.nodes);
    to_.arguments_.resize(marks.arguments);
  }

  std::string_view in_;
  TitleFieldResolver resolve_;
  TitleFormat& to_;
  size_t pos_ = 0;
};

class TitleFormat::Evaluation {
public:
  // The slots are the format's scratch, taken for the time of the evaluation; one inside another
  // (a group's key) finds it taken and makes its own.
  Evaluation(const TitleFormat& format, const TitleVariables& variables)
      : format_(format), variables_(variables) {
    slots_.swap(format.scratch_);
    slots_.resize(format.slots_);
  }
  ~Evaluation() {
    for (std::string& slot : slots_)
      if (slot.capacity() > kKeptSlot)
        std::string().swap(slot); // a huge argument's storage is not kept for the next entry
    format_.scratch_.swap(slots_);
  }
  Evaluation(const Evaluation&) = delete;
  Evaluation& operator=(const Evaluation&) = delete;

  // Appends the sequence's text. all_known turns false when a variable of this level is unknown
  // or empty.
  void sequence(Range range, std::string& out, bool& all_known, size_t height) {
    for (size_t i = range.begin; i < range.begin + range.count; ++i) {
      const Node& node = format_.nodes_[i];
      switch (node.kind) {
      case Kind::Text:
        out.append(format_.text_, node.range.begin, node.range.count);
        break;
      case Kind::Variable: {
        size_t before = out.size();
        variables_.append_value(
            std::string_view(format_.text_).substr(node.range.begin, node.range.count), node.field,
            out);
        if (out.size() == before)
          all_known = false;
        break;
      }
      case Kind::Bracket: {
        // Written in place and cut back when a variable is missing: a text inside nested
        // brackets is written once, not copied again at every level.
        size_t start = out.size();
        bool known = true;
        sequence(node.range, out, known, height);
        if (!known)
          out.resize(start);
        break;
      }
      case Kind::Call:
        call(node, out, height);
        break;
      }
    }
  }

private:
  void call(const Node& node, std::string& out, size_t height) {
    const Range* arguments = &format_.arguments_[node.range.begin];
    size_t count = node.range.count;
    bool ignored = true;
    auto function = static_cast<TitleFunction>(node.function);
    // The branches not taken are not evaluated: evaluating has no effect but its text.
    if (function == TitleFunction::If) {
      size_t before = out.size();
      sequence(arguments[0], out, ignored, height);
      bool condition = out.size() > before;
      out.resize(before);
      if (condition)
        sequence(arguments[1], out, ignored, height);
      else if (count == 3)
        sequence(arguments[2], out, ignored, height);
      return;
    }
    if (function == TitleFunction::If2) {
      size_t before = out.size();
      sequence(arguments[0], out, ignored, height);
      if (out.size() == before)
        sequence(arguments[1], out, ignored, height);
      return;
    }
    if (looks_at_neighbours(function)) {
      group(function, arguments[0], out);
      return;
    }
    for (size_t i = 0; i < count; ++i) {
      std::string& slot = slots_[height + i];
      slot.clear();
      sequence(arguments[i], slot, ignored, height + i + 1);
    }
    append_title_function(function, &slots_[height], count, out);
  }

  void group(TitleFunction function, Range key, std::string& out) {
    size_t count = variables_.entry_count();
    size_t position = variables_.entry_position();
    if (count == 0 || position >= count) {
      // An entry on its own is a group of one.
      if (function != TitleFunction::GroupLength)
        out += '1';
      return;
    }
    const Groups& groups = groups_of(key, count);
    const Groups::Run& run = groups.runs[groups.run_of[position]];
    switch (function) {
    case TitleFunction::GroupFirst:
      if (run.first == position)
        out += '1';
      break;
    case TitleFunction::GroupCount:
      out += std::to_string(run.count);
      break;
    default:
      if (run.any_length)
        out += format_length(run.seconds);
      break;
    }
  }

  // Every entry's key made once, for the whole playlist: then each entry finds its group at once.
  const Groups& groups_of(Range key, size_t count) {
    Groups& groups = format_.groups_[key.begin];
    if (groups.entries == count && groups.run_of.size() == count)
      return groups;
    groups = Groups();
    groups.entries = count;
    groups.run_of.resize(count);
    std::string previous, current;
    for (size_t i = 0; i < count; ++i) {
      current.clear();
      variables_.visit_entry(i, [&](const TitleVariables& entry) {
        bool ignored = true;
        Evaluation(format_, entry).sequence(key, current, ignored, 0);
      });
      if (i == 0 || current != previous)
        groups.runs.push_back({i, 0, 0, false});
      Groups::Run& run = groups.runs.back();
      ++run.count;
      if (double seconds = variables_.entry_length(i); seconds >= 0) {
        run.seconds += seconds;
        run.any_length = true;
      }
      groups.run_of[i] = static_cast<uint32_t>(groups.runs.size() - 1);
      previous.swap(current);
    }
    return groups;
  }

  static constexpr size_t kKeptSlot = 64 * 1024;

  const TitleFormat& format_;
  const TitleVariables& variables_;
  // Sized once: a slot's text is written while the slots below it are held.
  std::vector<std::string> slots_;
};

TitleFormat::TitleFormat(std::string_view format, TitleFieldResolver resolve) {
  Compiler(format, resolve, *this).run();
}

std::string TitleFormat::apply(const TitleVariables& variables) const {
  std::string out;
  bool all_known = true;
  Evaluation(*this, variables).sequence(top_, out, all_known, 0);
  return out;
}

size_t TitleFormat::memory_size() const {
  return sizeof(*this) + text_.capacity() + nodes_.capacity() * sizeof(Node) +
         arguments_.capacity() * sizeof(Range);
}

namespace {

class LookupVariables final : public TitleVariables {
public:
  explicit LookupVariables(const TitleLookup& lookup) : lookup_(lookup) {}
  void append_value(std::string_view name, int, std::string& out) const override {
    if (!lookup_)
      return;
    if (std::optional<std::string> value = lookup_(name))
      out += *value;
  }

private:
  const TitleLookup& lookup_;
};

} // namespace

std::string format_title_text(std::string_view format, const TitleLookup& lookup) {
  return TitleFormat(format).apply(LookupVariables(lookup));
}

} // namespace tessaly
