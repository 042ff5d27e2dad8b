#include "formatted_string.h"

#include <cstdint>
#include <cstring>

#include "platform/kestrel/kestrel.h"

namespace vorlane {
namespace {

// Writes value in base 10 or 16 into the end of buffer; returns where the digits begin.
char* write_digits(uint32_t value, uint32_t base, bool upper, char* end) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  *--end = '\0';
  do {
    *--end = digits[value % base];
    value /= base;
  } while (value != 0);
  return end;
}

void append_padded(StringSink& target, const char* text, uint32_t width, char pad) {
  uint32_t length = static_cast<uint32_t>(std::strlen(text));
  if (width > length)
    target.append_repeated(static_cast<uint8_t>(pad), width - length);
  target.append_text(text);
}

} // namespace

void format_into(StringSink& target, const char* format, va_list arguments) {
  target.reset();
  const char* p = format;
  while (*p != '\0') {
    if (*p != '%') {
      // Widened with its sign: bytes from 0x80 up have no code point and append nothing.
      target.append_code_point(
          static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(*p))));
      ++p;
      continue;
    }
    ++p;
    if (*p == '%') {
      target.append_code_point('%');
      ++p;
      continue;
    }
    bool plus = false;
    if (*p == '+') {
      plus = true;
      ++p;
    }
    char pad = *p == '0' ? '0' : ' ';
    uint32_t width = 0;
    while (*p >= '0' && *p <= '9') {
      width = width * 10 + static_cast<uint32_t>(*p - '0');
      ++p;
    }
    char digits[16];
    switch (*p) {
    case 's':
    case 'S': {
      const char* text = va_arg(arguments, const char*);
      append_padded(target, text ? text : "", width, pad);
      break;
    }
    case 'i':
    case 'I':
    case 'd':
    case 'D': {
      int32_t value = va_arg(arguments, int32_t);
      uint32_t magnitude =
          value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
      char* text = write_digits(magnitude, 10, false, digits + sizeof digits);
      if (value < 0)
        *--text = '-';
      if (plus && value > 0)
        target.append_code_point('+');
      append_padded(target, text, width, pad);
      break;
    }
    case 'u':
    case 'U':
    case 'x':
    case 'X': {
      uint32_t value = va_arg(arguments, uint32_t);
      if (plus && static_cast<int32_t>(value) > 0)
        target.append_code_point('+');
      uint32_t base = (*p == 'x' || *p == 'X') ? 16 : 10;
      append_padded(target, write_digits(value, base, *p == 'X', digits + sizeof digits), width,
                    pad);
      break;
    }
    case 'c':
    case 'C': {
      int value = va_arg(arguments, int);
      target.append_code_point(
          static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(value & 0xFF))));
      break;
    }
    default:
      // Not a conversion: the "%", flag and digits vanish and the walk resumes at this byte.
      continue;
    }
    ++p;
  }
}

FormattedString::FormattedString(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  format_into(*this, format, arguments);
  va_end(arguments);
}

HostFormattedString::HostFormattedString(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  uPrintfV(this, format, arguments);
  va_end(arguments);
}

} // namespace vorlane
