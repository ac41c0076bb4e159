// Character classes of path and command-line text, shared by the installed programs.
#pragma once

inline bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t';
}

inline bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// ASCII letters folded to upper case; every other unit unchanged.
inline char16_t Folded(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}
