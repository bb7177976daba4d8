// Text at the Win32 edge: the program holds UTF-8, Windows' wide calls take
// UTF-16.
//
// What the rest of the Windows home may rely on:
//   - wideFromUtf8() and utf8FromWide() convert whole strings; a sequence
//     that is not valid in its encoding becomes U+FFFD, never a failure.
#pragma once

#include <string>

std::wstring wideFromUtf8(const char* text);

std::string utf8FromWide(const wchar_t* text);

// The system's message for a GetLastError() code, in one line without its
// full stop.
std::string windowsErrorText(unsigned long code);
