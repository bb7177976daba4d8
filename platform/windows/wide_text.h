// Text at the Win32 edge: the program keeps UTF-8 inside and hands the
// wide-character calls UTF-16 (Wine ignores a manifest's UTF-8 code page, so
// the narrow calls would read the ANSI one).
#pragma once

#include <string>

// The UTF-16 form of UTF-8 text; an invalid byte becomes U+FFFD.
std::wstring widened(const std::string& utf8);

// The UTF-8 form of UTF-16 text.
std::string narrowed(const std::wstring& utf16);

// The system's message for a GetLastError() code, in one line.
std::string windowsErrorText(unsigned long code);
