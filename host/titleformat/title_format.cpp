#include "titleformat/title_format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace tessaly {
namespace {

constexpr std::string_view kUnknownFunction = "[UNKNOWN FUNCTION]";
constexpr long long kMaxNumWidth = 1024;
constexpr size_t kMaxReplaceResult = 65536;

char ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char ascii_upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i]))
      return false;
  }
  return true;
}

bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The number a text begins with, as atoi reads it but clamped instead of overflowing: leading
// blanks, a sign, digits; 0 when there are none.
long long leading_integer(std::string_view text) {
  size_t i = text.find_first_not_of(" \t");
  if (i == std::string_view::npos)
    return 0;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-')
    negative = text[i++] == '-';
  // Numbers from 10^18 up read as 10^18.
  long long value = 0;
  constexpr long long kSaturated = 1000000000000000000LL;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value < kSaturated / 10 ? value * 10 + (text[i] - '0') : kSaturated;
  return negative ? -value : value;
}

std::string utf8_of(long long code_point) {
  if (code_point <= 0 || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF))
    return {};
  auto c = static_cast<uint32_t>(code_point);
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// Zero-padded to width characters, a minus sign included, as printf's "%0*lld" writes it.
std::string padded_number(long long value, long long width) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  std::string sign = value < 0 ? "-" : "";
  if (width > kMaxNumWidth)
    width = kMaxNumWidth;
  long long pad = width - static_cast<long long>(sign.size() + digits.size());
  return sign + std::string(pad > 0 ? static_cast<size_t>(pad) : 0, '0') + digits;
}

// Integer results are held within the bound that numbers are read with.
constexpr long long kIntegerBound = 1000000000000000000LL;

long long bounded(long long value) {
  return value > kIntegerBound ? kIntegerBound : value < -kIntegerBound ? -kIntegerBound : value;
}

// $add, $sub, $mul, $div and $mod on whole numbers; none for another name. Division truncates
// toward zero and a remainder takes the dividend's sign, as in C; by zero both give the empty
// text, which $if can test.
std::optional<std::string> arithmetic(std::string_view name, const std::string& left,
                                      const std::string& right) {
  long long a = leading_integer(left);
  long long b = leading_integer(right);
  // |a| and |b| are at most 10^18, so sums and differences fit; products may not.
  if (same_name(name, "add"))
    return std::to_string(bounded(a + b));
  if (same_name(name, "sub"))
    return std::to_string(bounded(a - b));
  if (same_name(name, "mul")) {
    long long product = 0;
    if (__builtin_mul_overflow(a, b, &product))
      product = (a < 0) != (b < 0) ? -kIntegerBound : kIntegerBound;
    return std::to_string(bounded(product));
  }
  if (same_name(name, "div") || same_name(name, "mod")) {
    if (b == 0)
      return std::string();
    return std::to_string(same_name(name, "div") ? a / b : a % b);
  }
  return std::nullopt;
}

// One pass from the left: at each position the first FROM that starts there is replaced by its
// TO and the scan goes on behind it, so no replacement is ever replaced again. An empty FROM
// never matches. Nested calls could grow the text without end, so a result is cut at
// kMaxReplaceResult bytes (at the start of the character that crosses it).
std::string replace_all(const std::vector<std::string>& args) {
  const std::string& text = args[0];
  std::string out;
  size_t i = 0;
  while (i < text.size() && out.size() <= kMaxReplaceResult) {
    bool replaced = false;
    for (size_t pair = 1; pair + 1 < args.size(); pair += 2) {
      const std::string& from = args[pair];
      if (!from.empty() && text.compare(i, from.size(), from) == 0) {
        out += args[pair + 1];
        i += from.size();
        replaced = true;
        break;
      }
    }
    if (!replaced)
      out += text[i++];
  }
  if (out.size() > kMaxReplaceResult) {
    size_t cut = kMaxReplaceResult;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80)
      --cut;
    out.resize(cut);
  }
  return out;
}

bool is_alpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_unreserved(unsigned char c) {
  return is_alpha(static_cast<char>(c)) || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

bool is_hex_digit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void percent_encode(unsigned char c, std::string& out) {
  constexpr char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[c >> 4];
  out += kHex[c & 0xF];
}

// A scheme ("http:", "file:") of two characters or more: one letter before a colon is a drive.
bool has_scheme(std::string_view text) {
  size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon < 2 || !is_alpha(text[0]))
    return false;
  for (char c : text.substr(1, colon - 1)) {
    if (!is_alpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
      return false;
  }
  return true;
}

// A location as a URI. One that has a scheme is kept, with only the bytes that no URI may hold
// encoded (an escape already there stays). A local path gets "/" separators and every byte but
// the unreserved ones percent-encoded; an absolute one ("/x", "C:\x", "\\server\share")
// becomes a file: URI, a relative one a relative reference, which resolves against the file it
// is written into just as the path did against the playlist.
std::string location_uri(std::string_view text) {
  std::string out;
  if (has_scheme(text)) {
    for (size_t i = 0; i < text.size(); ++i) {
      auto c = static_cast<unsigned char>(text[i]);
      bool allowed =
          c == '%' ? i + 2 < text.size() && is_hex_digit(text[i + 1]) && is_hex_digit(text[i + 2])
                   : c > 0x20 && c < 0x7F && !std::strchr("\"<>\\^`{|}", c);
      if (allowed)
        out += static_cast<char>(c);
      else
        percent_encode(c, out);
    }
    return out;
  }
  auto separator = [](char c) { return c == '/' || c == '\\'; };
  size_t i = 0;
  if (text.size() >= 3 && is_alpha(text[0]) && text[1] == ':' && separator(text[2])) {
    out = "file:///";
    out += text[0];
    out += ':';
    i = 2;
  } else if (text.size() >= 2 && separator(text[0]) && separator(text[1])) {
    out = "file:";
  } else if (!text.empty() && separator(text[0])) {
    out = "file://";
  }
  for (; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (separator(text[i]))
      out += '/';
    else if (is_unreserved(c))
      out += static_cast<char>(c);
    else
      percent_encode(c, out);
  }
  return out;
}

// The result of a call, or none when no function has that name and number of arguments.
std::optional<std::string> call_function(std::string_view name,
                                         const std::vector<std::string>& args) {
  size_t n = args.size();
  if (same_name(name, "crlf") && n == 0)
    return std::string("\r\n");
  if (same_name(name, "tab") && n == 0)
    return std::string("\t");
  if (same_name(name, "char") && n == 1)
    return utf8_of(leading_integer(args[0]));
  if (same_name(name, "if") && (n == 2 || n == 3))
    return !args[0].empty() ? args[1] : n == 3 ? args[2] : std::string();
  if (same_name(name, "if2") && n == 2)
    return !args[0].empty() ? args[0] : args[1];
  if ((same_name(name, "upper") || same_name(name, "lower")) && n == 1) {
    std::string text = args[0];
    bool upper = same_name(name, "upper");
    for (char& c : text)
      c = upper ? ascii_upper(c) : ascii_lower(c);
    return text;
  }
  if (same_name(name, "len") && n == 1) {
    size_t code_points = 0;
    for (char c : args[0]) {
      if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
        ++code_points;
    }
    return std::to_string(code_points);
  }
  if (same_name(name, "num") && n == 2)
    return padded_number(leading_integer(args[0]), leading_integer(args[1]));
  if (n == 2) {
    if (std::optional<std::string> result = arithmetic(name, args[0], args[1]))
      return result;
  }
  if (same_name(name, "replace") && n >= 3 && n % 2 == 1)
    return replace_all(args);
  if (same_name(name, "uri") && n == 1)
    return location_uri(args[0]);
  return std::nullopt;
}

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
    size_t end = in_.find_first_of("'%[$],)", pos_ + 1);
    if (end == std::string_view::npos)
      end = in_.size();
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

  void bracket(std::string& out, int depth) {
    ++pos_;
    std::string inner;
    bool all_known = true;
    sequence(inner, Context::Bracket, depth + 1, all_known);
    if (pos_ < in_.size())
      ++pos_; // the "]"
    if (all_known)
      out += inner;
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
    std::optional<std::string> result = call_function(name, args);
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

std::vector<std::pair<std::string, std::string>> parse_extra_items(const char* items) {
  std::vector<std::pair<std::string, std::string>> pairs;
  if (!items)
    return pairs;
  while (*items) {
    std::string_view item(items);
    size_t equals = item.find('=');
    if (equals != std::string_view::npos)
      pairs.emplace_back(item.substr(0, equals), item.substr(equals + 1));
    items += item.size() + 1;
  }
  return pairs;
}

namespace {
// Whole seconds, the fraction dropped; lengths beyond any real track are held at a bound rather
// than overflowing.
long long whole_seconds(double seconds) {
  if (!(seconds > 0))
    return 0;
  return seconds < 9.0e15 ? static_cast<long long>(seconds) : 9000000000000000LL;
}
} // namespace

std::string format_length(double seconds) {
  long long s = whole_seconds(seconds);
  char text[64];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

std::optional<std::string> track_field(const PlaylistEntry& entry, size_t index, size_t total,
                                       std::string_view name) {
  auto known = [](const std::string& text) -> std::optional<std::string> {
    if (text.empty())
      return std::nullopt;
    return text;
  };
  if (same_name(name, "title"))
    return known(entry.title);
  if (same_name(name, "artist"))
    return known(entry.artist);
  if (same_name(name, "album"))
    return known(entry.album);
  if (same_name(name, "path"))
    return known(entry.location);
  if (same_name(name, "filename")) {
    size_t slash = entry.location.find_last_of("/\\");
    std::string base =
        slash == std::string::npos ? entry.location : entry.location.substr(slash + 1);
    size_t dot = base.rfind('.');
    return known(dot == std::string::npos || dot == 0 ? base : base.substr(0, dot));
  }
  if (same_name(name, "length"))
    return entry.length_seconds ? std::optional(format_length(*entry.length_seconds))
                                : std::nullopt;
  if (same_name(name, "length_seconds")) {
    if (!entry.length_seconds)
      return std::nullopt;
    return std::to_string(whole_seconds(*entry.length_seconds));
  }
  if (same_name(name, "list_index"))
    return std::to_string(index + 1);
  if (same_name(name, "list_total"))
    return std::to_string(total);
  return std::nullopt;
}

TitleLookup entry_lookup(const std::vector<std::pair<std::string, std::string>>& items,
                         const Playlist* playlist, long long index) {
  return [&items, playlist, index](std::string_view name) -> std::optional<std::string> {
    for (const auto& [item_name, value] : items) {
      if (same_name(item_name, name))
        return value;
    }
    if (!playlist || index < 0 || static_cast<size_t>(index) >= playlist->entries.size())
      return std::nullopt;
    return track_field(playlist->entries[static_cast<size_t>(index)], static_cast<size_t>(index),
                       playlist->entries.size(), name);
  };
}

} // namespace tessaly
