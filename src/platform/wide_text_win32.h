// Conversions between the program's UTF-8 texts and the UTF-16 of the wide
// Windows API, which is what lets paths and dialog texts be independent of
// the ANSI code page of the machine.
#pragma once

#include <string>
#include <string_view>

namespace quarvelin {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// A path for the wide file API. The program's own paths are UTF-8; a host
// that writes `workdir` in the ANSI code page, as the ANSI file calls read
// it, gives bytes that are not UTF-8, and these are read in that code page.
std::wstring WidenPath(std::string_view path);

// True when every byte is 7-bit ASCII, where the ANSI calls take the text
// unchanged whatever the code page.
bool IsAscii(std::string_view text);

}  // namespace quarvelin
