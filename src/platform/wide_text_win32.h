// Conversions between the program's UTF-8 texts and the UTF-16 of the wide
// Windows API, which is what lets paths and dialog texts be independent of
// the ANSI code page of the machine.
#pragma once

#include <string>
#include <string_view>

namespace quarvelin {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// True when every byte is 7-bit ASCII, where the ANSI calls take the text
// unchanged whatever the code page.
bool IsAscii(std::string_view text);

}  // namespace quarvelin
