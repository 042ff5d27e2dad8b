// The module's version, in one place for the text it reports and the DLL's version resource.
// Plain macros only: the resource compiler reads this file too.
#pragma once

#define VORLANE_VERSION_MAJOR 1
#define VORLANE_VERSION_MINOR 3
#define VORLANE_VERSION_PATCH 0
// The same numbers as the user sees them: two digits for the minor and the patch.
#define VORLANE_VERSION_TEXT "1.03.00"
