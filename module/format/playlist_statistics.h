// The twelve playlist statistics offered to the header and footer formats.
#pragma once

#include "entry/version.h"
#include "format/extra_items.h"

namespace vorlane {

// Measures the host's playlist and appends the twelve pairs to items, in their fixed order.
void compute_statistics(ExtraItems& items);

inline constexpr const char* kVorlaneVersion = "Vorlane " VORLANE_VERSION_TEXT;

} // namespace vorlane
