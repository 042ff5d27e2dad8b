// Text from a template and arguments. format_into is the module's own small printf: "%" with an
// optional "+", an optional width (a leading "0" pads with zeros) and one of s S i I d D u U x X
// c C; no floating point, no precision, no left alignment. Anything else is copied or dropped
// without taking an argument. Integer arguments are 32-bit, text arguments UTF-8.
#pragma once

#include <cstdarg>

#include "base/utf8_string.h"

namespace vorlane {

// Replaces target's content with the formatted text.
void format_into(StringSink& target, const char* format, va_list arguments);

// A ScratchString filled by format_into when it is built.
class FormattedString : public ScratchString {
public:
  explicit FormattedString(const char* format, ...);
};

// A ScratchString filled by the host's uPrintfV when it is built.
class HostFormattedString : public ScratchString {
public:
  explicit HostFormattedString(const char* format, ...);
};

} // namespace vorlane
