// UTF-16 text helpers for fixed buffers. Every composed path, key and message goes through
// FormatText, which refuses to truncate: a result that does not fit is an error.
#pragma once

#include <stdarg.h>
#include <stddef.h>

// Length in UTF-16 units, without the terminator.
int TextLength(const char16_t* text);

// Returns 1 when the two texts are equal unit for unit.
int TextEqual(const char16_t* a, const char16_t* b);

// Copies text into out (capacity units including the terminator). Returns the length,
// or -1 when it does not fit; out is then empty.
int CopyText(char16_t* out, int capacity, const char16_t* text);

// Formats like wsprintfW: "%s" takes a const char16_t*, "%d" an int, "%%" is one percent
// sign. Returns the length written, or -1 when the result (with its terminator) does not
// fit capacity units or the format holds any other directive; out is then empty.
int FormatText(char16_t* out, int capacity, const char16_t* format, ...);
int FormatTextV(char16_t* out, int capacity, const char16_t* format, va_list args);
