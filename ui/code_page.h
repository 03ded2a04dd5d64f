// Conversions where the program's narrow strings, in the process code page
// (UTF-8, which the manifest sets), meet the wide user-interface calls.
#pragma once

#include <string>

std::string Narrow(const wchar_t* text, size_t length);

// A wide literal, without its terminator.
template <size_t N>
std::string Narrow(const wchar_t (&text)[N]) {
    return Narrow(text, N - 1);
}

std::wstring Widen(const std::string& text);
