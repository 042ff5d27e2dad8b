#include "titleformat/functions.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "support/text.h"
#include "support/utf8.h"
#include "titleformat/location_uri.h"

namespace tessaly {
namespace {

constexpr long long kMaxNumWidth = 1024;
constexpr size_t kMaxReplaceResult = 65536;

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

// $add, $sub, $mul, $div and $mod on whole numbers. Division truncates toward zero and a
// remainder takes the dividend's sign, as in C; by zero both give the empty text, which $if can
// test.
std::string arithmetic(TitleFunction function, const std::string& left, const std::string& right) {
  long long a = leading_integer(left);
  long long b = leading_integer(right);
  // |a| and |b| are at most 10^18, so sums and differences fit; products may not.
  switch (function) {
  case TitleFunction::Add:
    return std::to_string(bounded(a + b));
  case TitleFunction::Sub:
    return std::to_string(bounded(a - b));
  case TitleFunction::Mul: {
    long long product = 0;
    if (__builtin_mul_overflow(a, b, &product))
      product = (a < 0) != (b < 0) ? -kIntegerBound : kIntegerBound;
    return std::to_string(bounded(product));
  }
  default:
    if (b == 0)
      return std::string();
    return std::to_string(function == TitleFunction::Div ? a / b : a % b);
  }
}

constexpr uint32_t kNoPair = UINT32_MAX;

// Writes mark at every position of text where needle starts, overlapping occurrences included:
// the scan of the pairs may land on any of them. A prefix-function scan costs the text plus the
// needle whatever they hold; comparing at every position cost their product.
void mark_occurrences(const std::string& text, const std::string& needle, uint32_t mark,
                      std::vector<uint32_t>& marks) {
  size_t m = needle.size();
  if (m == 0 || m > text.size())
    return;
  // border[q]: the length of the longest proper prefix of needle[0..q] that also ends it.
  std::vector<size_t> border(m, 0);
  for (size_t q = 1, k = 0; q < m; ++q) {
    while (k > 0 && needle[q] != needle[k])
      k = border[k - 1];
    if (needle[q] == needle[k])
      ++k;
    border[q] = k;
  }
  for (size_t i = 0, q = 0; i < text.size(); ++i) {
    while (q > 0 && text[i] != needle[q])
      q = border[q - 1];
    if (text[i] == needle[q])
      ++q;
    if (q == m) {
      marks[i + 1 - m] = mark;
      q = border[m - 1];
    }
  }
}

// One pass from the left: at each position the first FROM that starts there is replaced by its
// TO and the scan goes on behind it, so no replacement is ever replaced again. An empty FROM
// never matches. Nested calls could grow the text without end, so a result is cut at
// kMaxReplaceResult bytes (at the start of the character that crosses it).
void append_replaced(const std::string* args, size_t count, std::string& out) {
  const std::string& text = args[0];
  // Most texts hold none of the FROMs: a FROM of one byte is looked for with memchr, and the text
  // is then taken whole.
  bool unchanged = true;
  for (size_t k = 1; unchanged && k + 1 < count; k += 2)
    unchanged = args[k].empty() ||
                (args[k].size() == 1 && !std::memchr(text.data(), args[k][0], text.size()));
  if (unchanged) {
    out.append(text, 0, cut_at_character(text, kMaxReplaceResult).size());
    return;
  }
  // The first pair that starts at each position: the pairs are marked last to first, so that an
  // earlier one overwrites a later one where both start. Time and memory in proportion to the
  // text for each pair, however the FROMs overlap the text and each other.
  std::vector<uint32_t> first(text.size(), kNoPair);
  for (size_t k = (count - 1) / 2; k > 0; --k)
    mark_occurrences(text, args[2 * k - 1], static_cast<uint32_t>(2 * k - 1), first);
  size_t start = out.size(), i = 0;
  while (i < text.size() && out.size() - start <= kMaxReplaceResult) {
    uint32_t pair = first[i];
    if (pair == kNoPair) {
      out += text[i++];
    } else {
      out += args[pair + 1];
      i += args[pair].size();
    }
  }
  out.resize(start +
             cut_at_character(std::string_view(out).substr(start), kMaxReplaceResult).size());
}

// S as the inside of a JSON string: the quote, the backslash and every control byte escaped
// (\t \n \r \b \f, else \u00XX), and "@" as \u0040, so that no text of an entry can form a
// section marker that the output format would rewrite.
void append_json_text(const std::string& text, std::string& out) {
  constexpr char kHex[] = "0123456789abcdef";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    switch (c) {
    case '"':
      out += "\\\"";
      break;
    case '\\':
      out += "\\\\";
      break;
    case '\t':
      out += "\\t";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    case '\b':
      out += "\\b";
      break;
    case '\f':
      out += "\\f";
      break;
    case '@':
      out += "\\u0040";
      break;
    default:
      if (byte < 0x20) {
        out += "\\u00";
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
      } else {
        out += c;
      }
    }
  }
}

// S with every character that XML 1.0 forbids in a document replaced by U+FFFD: the control
// bytes but tab, line feed and carriage return, and U+FFFE and U+FFFF.
void append_printable_text(const std::string& text, std::string& out) {
  constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  size_t kept = 0; // the start of the bytes not yet written, all kept as they are
  for (size_t i = 0; i < text.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    size_t replaced = 0;
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')
      replaced = 1;
    else if (byte == 0xEF && i + 2 < text.size() && text[i + 1] == '\xBF' &&
             (text[i + 2] == '\xBE' || text[i + 2] == '\xBF'))
      replaced = 3;
    if (replaced == 0)
      continue;
    out.append(text, kept, i - kept);
    out += kReplacement;
    i += replaced - 1;
    kept = i + 1;
  }
  out.append(text, kept, std::string::npos);
}

} // namespace

std::optional<TitleFunction> title_function(std::string_view name, size_t count) {
  using F = TitleFunction;
  static constexpr struct {
    std::string_view name;
    TitleFunction function;
    size_t fewest;
    size_t most;
  } kFunctions[] = {
      {"crlf", F::Crlf, 0, 0},
      {"tab", F::Tab, 0, 0},
      {"char", F::Char, 1, 1},
      {"if", F::If, 2, 3},
      {"if2", F::If2, 2, 2},
      {"upper", F::Upper, 1, 1},
      {"lower", F::Lower, 1, 1},
      {"len", F::Len, 1, 1},
      {"num", F::Num, 2, 2},
      {"add", F::Add, 2, 2},
      {"sub", F::Sub, 2, 2},
      {"mul", F::Mul, 2, 2},
      {"div", F::Div, 2, 2},
      {"mod", F::Mod, 2, 2},
      {"replace", F::Replace, 3, SIZE_MAX},
      {"greater", F::Greater, 2, 2},
      {"json", F::Json, 1, 1},
      {"printable", F::Printable, 1, 1},
      {"uri", F::Uri, 1, 1},
      {"groupfirst", F::GroupFirst, 1, 1},
      {"groupcount", F::GroupCount, 1, 1},
      {"grouplength", F::GroupLength, 1, 1},
  };
  for (const auto& f : kFunctions) {
    if (!equal_ignoring_ascii_case(name, f.name))
      continue;
    // $replace takes a text and pairs.
    bool pairs = f.function != F::Replace || count % 2 == 1;
    if (count >= f.fewest && count <= f.most && pairs)
      return f.function;
    return std::nullopt;
  }
  return std::nullopt;
}

void append_title_function(TitleFunction function, const std::string* args, size_t count,
                           std::string& out) {
  switch (function) {
  case TitleFunction::Crlf:
    out += "\r\n";
    return;
  case TitleFunction::Tab:
    out += '\t';
    return;
  case TitleFunction::Char:
    out += utf8_of(leading_integer(args[0]));
    return;
  case TitleFunction::If:
    if (!args[0].empty())
      out += args[1];
    else if (count == 3)
      out += args[2];
    return;
  case TitleFunction::If2:
    out += !args[0].empty() ? args[0] : args[1];
    return;
  case TitleFunction::Upper:
  case TitleFunction::Lower: {
    size_t start = out.size();
    out += args[0];
    bool upper = function == TitleFunction::Upper;
    for (size_t i = start; i < out.size(); ++i)
      out[i] = upper ? ascii_upper(out[i]) : ascii_lower(out[i]);
    return;
  }
  case TitleFunction::Len: {
    size_t code_points = 0;
    for (char c : args[0]) {
      if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
        ++code_points;
    }
    out += std::to_string(code_points);
    return;
  }
  case TitleFunction::Num:
    out += padded_number(leading_integer(args[0]), leading_integer(args[1]));
    return;
  case TitleFunction::Add:
  case TitleFunction::Sub:
  case TitleFunction::Mul:
  case TitleFunction::Div:
  case TitleFunction::Mod:
    out += arithmetic(function, args[0], args[1]);
    return;
  case TitleFunction::Replace:
    append_replaced(args, count, out);
    return;
  case TitleFunction::Greater:
    if (leading_integer(args[0]) > leading_integer(args[1]))
      out += '1';
    return;
  case TitleFunction::Json:
    append_json_text(args[0], out);
    return;
  case TitleFunction::Printable:
    append_printable_text(args[0], out);
    return;
  case TitleFunction::Uri:
    out += location_uri(args[0]);
    return;
  case TitleFunction::GroupFirst:
  case TitleFunction::GroupCount:
  case TitleFunction::GroupLength:
    return; // the formatter's own (title_format.cpp)
  }
}

} // namespace tessaly
