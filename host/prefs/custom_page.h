// What the host knows of the Vorlane module's "Custom" preferences page and of the settings it
// stores: the module shows them in its dialog and its configuration block, and the host drives
// and reads them from outside, so they are written down here once.
#pragma once

namespace tessaly::custom_page {

inline constexpr const char* kPageName = "Custom";
inline constexpr const char* kParentPageName = "Telvane";

// The page's controls.
inline constexpr int kFooterBox = 1001;
inline constexpr int kHeaderBox = 1002;
inline constexpr int kFormatBox = 1003;
inline constexpr int kLineEndBox = 1004;
inline constexpr int kLoadButton = 1006;
inline constexpr int kSaveButton = 1007;
inline constexpr int kResetButton = 1008;

// The settings' names in the module's configuration block; "autocrlf" is a 32-bit number, the
// others texts.
inline constexpr const char* kHeaderSetting = "header";
inline constexpr const char* kFormatSetting = "format";
inline constexpr const char* kFooterSetting = "footer";
inline constexpr const char* kLineEndSetting = "autocrlf";

// No configuration file is longer than three texts of at most 65,535 bytes, each with its
// 16-bit length, and the one-byte switch.
struct Setting {
  const char* name;
  int control;
  const char* box; // the control's label, for messages
};
// In the order `tessaly prefs --show` prints them.
inline constexpr Setting kSettings[] = {
    {kHeaderSetting, kHeaderBox, "Header"},
    {kFormatSetting, kFormatBox, "Entry Format"},
    {kFooterSetting, kFooterBox, "Footer"},
    {kLineEndSetting, kLineEndBox, "Auto Append $crlf()"},
};

inline constexpr long kLargestConfigFile = 3 * (2 + 65535) + 1;

} // namespace tessaly::custom_page
