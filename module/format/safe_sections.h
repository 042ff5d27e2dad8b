// Safe sections: "@htmlsafe{" ... "}" spans of formatted text are replaced by their contents with
// "&", ">" and "<" turned into entities. Text outside sections is left alone.
#pragma once

#include "base/utf8_string.h"

namespace vorlane {

// Rewrites text in place.
void apply_safe_sections(Utf8String& text);

} // namespace vorlane
