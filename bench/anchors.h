// What the rewrite is measured against, shared by the benchmark programs: generated playlist
// markup, and a plain escaper, the byte loop that the rewrite has to beat.
#pragma once

#include <cstddef>
#include <string>

namespace bench {

// Ordinary playlist table rows, one safe section every ~60 bytes; without sections, the same rows
// as they come out (no marker at all).
inline std::string markup(size_t bytes, bool with_sections) {
  static const char* const rows[] = {
      "<tr><td>@htmlsafe{Rust & Rivets <live>}</td><td>3:45</td></tr>\n",
      "<tr><td>@htmlsafe{Lanterns > Lamps}</td><td>12:01</td></tr>\n",
      "<tr><td>@htmlsafe{Quiet Harbour}</td><td>4:20</td></tr>\n",
  };
  static const char* const plain[] = {
      "<tr><td>Rust &amp; Rivets &lt;live&gt;</td><td>3:45</td></tr>\n",
      "<tr><td>Lanterns &gt; Lamps</td><td>12:01</td></tr>\n",
      "<tr><td>Quiet Harbour</td><td>4:20</td><td>{}</td></tr>\n",
  };
  std::string text;
  for (size_t i = 0; text.size() < bytes; ++i)
    text += with_sections ? rows[i % 3] : plain[i % 3];
  text.resize(bytes);
  return text;
}

// A formatted entry of 150 bytes with two sections, as Telvane hands it over; and one of the
// same length without a marker.
inline std::string entry_150(bool with_sections) {
  std::string e =
      with_sections
          ? "<tr><td class=\"n\">7</td><td>@htmlsafe{Rust & Rivets <live at the pier>}</td>"
            "<td>@htmlsafe{The Lantern > Lamp Ensemble}</td><td>3:45</td></tr>"
          : "<tr><td class=\"n\">7</td><td>Rust &amp; Rivets &lt;live at the pier&gt;</td>"
            "<td>The Lantern &gt; Lamp Ensemble</td><td>3:45</td></tr>";
  e.resize(150, ' ');
  return e;
}

// Hostile entries of n sections inside each other, whose output grows with n squared: n markers
// around n "&" and then n "}" ("amps"), the same around "<" ("lts"), and markers that each form
// only once the marker before them is gone ("joins").
inline std::string nested(const std::string& shape, int n) {
  std::string text;
  const std::string marker = shape == "joins" ? "@htmlsafe" : "@htmlsafe{";
  for (int i = 0; i < n; ++i)
    text += marker;
  if (shape == "joins")
    text += std::string(static_cast<size_t>(n), '{') + std::string(static_cast<size_t>(n), '&');
  else
    text += std::string(static_cast<size_t>(n), shape == "lts" ? '<' : '&');
  return text + std::string(static_cast<size_t>(n), '}');
}

// The anchor: "&", "<" and ">" replaced in every byte, a byte loop appending each byte or its
// entity to a string whose capacity is reserved beforehand.
inline void plain_escape(const std::string& input, std::string& out) {
  out.clear();
  for (char c : input) {
    switch (c) {
    case '&':
      out.append("&amp;", 5);
      break;
    case '<':
      out.append("&lt;", 4);
      break;
    case '>':
      out.append("&gt;", 4);
      break;
    default:
      out.push_back(c);
    }
  }
}

} // namespace bench
