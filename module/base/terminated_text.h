// The module's helpers for NUL-terminated UTF-8 texts, on top of the boundary's string interface.
#pragma once

#include <cstdint>

#include "platform/string_sink.h"

namespace vorlane {

constexpr uint32_t kNotFound = 0xFFFFFFFFu;

// The one shared, read-only empty text that every empty string hands out.
extern const char kEmptyText[1];

// Bytes before the first NUL of text, but never more than max_bytes; 0 for null. Reads nothing at
// or beyond max_bytes, so the text need not be terminated within that bound.
uint32_t bounded_length(const char* text, uint32_t max_bytes);

// True when the bytes at `at` begin with every byte of the NUL-terminated needle.
bool starts_with_text(const char* at, const char* needle);

} // namespace vorlane
