// Small text helpers that several parts of the host need, each written once: ASCII case, hex
// digits, cutting UTF-8 text at a character boundary, and a file name without its extension.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

inline char ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char ascii_upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
inline bool is_ascii_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool is_ascii_digit(char c) {
  return c >= '0' && c <= '9';
}

// The text without the spaces and tabs at either end.
inline std::string_view trim(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos)
    return {};
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

// The line that begins at *position, trimmed, and *position moved past its end: CR, LF and NUL
// each end a line, so CRLF leaves an empty line behind, which readers skip as a blank one.
inline std::string_view next_trimmed_line(std::string_view text, size_t* position) {
  size_t end = text.find_first_of(std::string_view("\r\n\0", 3), *position);
  if (end == std::string_view::npos)
    end = text.size();
  std::string_view line = trim(text.substr(*position, end - *position));
  *position = end + 1;
  return line;
}

// Names of variables, functions and schemes compare without regard to ASCII case.
bool equal_ignoring_ascii_case(std::string_view a, std::string_view b);

// The value of one hexadecimal digit (either case), or -1.
int hex_digit(char c);

// The bytes a URI holds as they are: ASCII letters, digits and "-._~".
inline bool is_uri_unreserved(unsigned char c) {
  return is_ascii_letter(static_cast<char>(c)) || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}
// Appends c as "%XX" (upper-case digits).
void append_percent_escape(unsigned char c, std::string& out);

// The longest start of text, up to limit bytes, that ends at a character boundary: a UTF-8
// sequence that would cross the limit is left out whole.
std::string_view cut_at_character(std::string_view text, size_t limit);

// "song" of "song.flac"; a name whose only dot leads it (".hidden") keeps it.
std::string name_without_extension(const std::string& file_name);

} // namespace tessaly
