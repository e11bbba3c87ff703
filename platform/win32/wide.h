// UTF-8, which the game's strings are, to and from the UTF-16 that Windows'
// wide functions take; and Windows' own words for an error.
#pragma once

#include <string>

namespace platform::win32 {

std::wstring toWide(const std::string& utf8);
std::string fromWide(const wchar_t* wide);
// "Access is denied." and the like, without the trailing line break.
std::string errorText(unsigned long code);

} // namespace platform::win32
