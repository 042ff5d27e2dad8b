#include "titleformat/title_format.h"

#include <vector>

#include "titleformat/functions.h"

namespace tessaly {
namespace {

constexpr std::string_view kUnknownFunction = "[UNKNOWN FUNCTION]";

bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The bytes that may start or end something: a format is scanned for them once an entry, and a
// table answers for each byte in one step.
struct SpecialBytes {
  bool table[256] = {};
  constexpr SpecialBytes() {
    for (char c : std::string_view("'%[$],)"))
      table[static_cast<unsigned char>(c)] = true;
  }
  constexpr bool has(char c) const { return table[static_cast<unsigned char>(c)]; }
};
constexpr SpecialBytes kSpecial;

class Evaluator {
public:
  Evaluator(std::string_view format, const TitleLookup& lookup) : in_(format), lookup_(lookup) {}

  std::string run() {
    std::string out;
    bool all_known = true;
    sequence(out, Context::Top, 0, all_known);
    return out;
  }

private:
  // What ends a run of text: only the end of the format at the top, also "]" in a bracket, also
  // "," and ")" in a function's argument.
  enum class Context { Top, Bracket, Argument };

  // Appends the evaluated text up to the end of the context (not consumed). all_known turns
  // false when a variable of this level is unknown or empty.
  void sequence(std::string& out, Context context, int depth, bool& all_known) {
    while (pos_ < in_.size()) {
      char c = in_[pos_];
      if ((context == Context::Bracket && c == ']') ||
          (context == Context::Argument && (c == ',' || c == ')')))
        return;
      switch (c) {
      case '\'':
        literal(out);
        break;
      case '%':
        variable(out, all_known);
        break;
      case '[':
        if (depth < kMaxTitleFormatDepth)
          bracket(out, depth);
        else
          out += in_[pos_++];
        break;
      case '$':
        if (depth < kMaxTitleFormatDepth)
          function(out, depth);
        else
          out += in_[pos_++];
        break;
      default:
        plain(out);
        break;
      }
    }
  }

  // A run of bytes that mean nothing special anywhere; the special ones that mean nothing in this
  // context ("]" outside brackets and so on) come here one at a time.
  void plain(std::string& out) {
    size_t end = pos_ + 1;
    while (end < in_.size() && !kSpecial.has(in_[end]))
      ++end;
    out.append(in_.substr(pos_, end - pos_));
    pos_ = end;
  }

  void literal(std::string& out) {
    ++pos_;
    if (pos_ < in_.size() && in_[pos_] == '\'') {
      out += '\'';
      ++pos_;
      return;
    }
    while (pos_ < in_.size()) {
      size_t quote = in_.find('\'', pos_);
      if (quote == std::string_view::npos) {
        out.append(in_.substr(pos_));
        pos_ = in_.size();
        return;
      }
      out.append(in_.substr(pos_, quote - pos_));
      pos_ = quote + 1;
      if (pos_ < in_.size() && in_[pos_] == '\'') {
        out += '\'';
        ++pos_;
        continue;
      }
      return;
    }
  }

  void variable(std::string& out, bool& all_known) {
    size_t close = in_.find('%', pos_ + 1);
    if (close == std::string_view::npos) {
      out += '%';
      ++pos_;
      return;
    }
    std::string_view name = in_.substr(pos_ + 1, close - pos_ - 1);
    pos_ = close + 1;
    std::optional<std::string> value = lookup_ ? lookup_(name) : std::nullopt;
    if (!value || value->empty()) {
      all_known = false;
      return;
    }
    out += *value;
  }

  // Written in place and cut back when a variable is missing: a text inside nested brackets is
  // written once, not copied again at every level.
  void bracket(std::string& out, int depth) {
    ++pos_;
    size_t start = out.size();
    bool all_known = true;
    sequence(out, Context::Bracket, depth + 1, all_known);
    if (pos_ < in_.size())
      ++pos_; // the "]"
    if (!all_known)
      out.resize(start);
  }

  void function(std::string& out, int depth) {
    size_t start = pos_;
    size_t name_end = pos_ + 1;
    while (name_end < in_.size() && is_name_char(in_[name_end]))
      ++name_end;
    if (name_end == pos_ + 1 || name_end >= in_.size() || in_[name_end] != '(') {
      out += '$';
      ++pos_;
      return;
    }
    std::string_view name = in_.substr(pos_ + 1, name_end - pos_ - 1);
    pos_ = name_end + 1;
    std::vector<std::string> args;
    if (pos_ < in_.size() && in_[pos_] == ')') {
      ++pos_;
    } else {
      for (;;) {
        std::string arg;
        bool ignored = true;
        sequence(arg, Context::Argument, depth + 1, ignored);
        args.push_back(std::move(arg));
        if (pos_ >= in_.size()) {
          // Never closed: the call stays as it was written.
          out.append(in_.substr(start));
          return;
        }
        if (in_[pos_++] == ')')
          break;
      }
    }
    std::optional<std::string> result = call_title_function(name, args);
    out += result ? *result : std::string(kUnknownFunction);
  }

  std::string_view in_;
  const TitleLookup& lookup_;
  size_t pos_ = 0;
};

} // namespace

std::string format_title_text(std::string_view format, const TitleLookup& lookup) {
  return Evaluator(format, lookup).run();
}

} // namespace tessaly
