// UTF-8 and the wide (UTF-16) texts of the Windows API.
#pragma once

#include <string>

namespace tessaly {

std::wstring widen(const std::string& text);
std::string narrow(const std::wstring& text);

} // namespace tessaly
