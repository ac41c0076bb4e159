// The core holds text as char16_t; the wide Win32 calls take wchar_t. With mingw-w64 both
// are 16-bit UTF-16 units, so a pointer cast is all the conversion there is.
#pragma once

#include <wchar.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be a UTF-16 unit on Windows");

inline const wchar_t* WideText(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

inline wchar_t* WideText(char16_t* text) {
    return reinterpret_cast<wchar_t*>(text);
}
