#include "text.h"

int TextLength(const char16_t* text) {
    int length = 0;
    while (text[length] != 0)
        ++length;
    return length;
}

int TextEqual(const char16_t* a, const char16_t* b) {
    for (; *a == *b; ++a, ++b)
        if (*a == 0)
            return 1;
    return 0;
}

int CopyText(char16_t* out, int capacity, const char16_t* text) {
    return FormatText(out, capacity, u"%s", text);
}

int FormatTextV(char16_t* out, int capacity, const char16_t* format, va_list args) {
    if (capacity <= 0)
        return -1;
    int used = 0;
    // Appends one unit, keeping room for the terminator.
    auto put = [&](char16_t unit) {
        if (used + 1 >= capacity)
            return false;
        out[used++] = unit;
        return true;
    };
    for (const char16_t* f = format; *f != 0; ++f) {
        bool fits = true;
        if (*f != u'%') {
            fits = put(*f);
        } else if (f[1] == u'%') {
            fits = put(u'%');
            ++f;
        } else if (f[1] == u's') {
            const char16_t* s = va_arg(args, const char16_t*);
            for (; fits && s != nullptr && *s != 0; ++s)
                fits = put(*s);
            ++f;
        } else if (f[1] == u'd') {
            int value = va_arg(args, int);
            char16_t digits[12];
            int count = 0;
            // Work on the negative side so INT_MIN needs no special case.
            int rest = value < 0 ? value : -value;
            do {
                digits[count++] = static_cast<char16_t>(u'0' - rest % 10);
                rest /= 10;
            } while (rest != 0);
            if (value < 0)
                fits = put(u'-');
            while (fits && count > 0)
                fits = put(digits[--count]);
            ++f;
        } else {
            fits = false;
        }
        if (!fits) {
            out[0] = 0;
            return -1;
        }
    }
    out[used] = 0;
    return used;
}

int FormatText(char16_t* out, int capacity, const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    int result = FormatTextV(out, capacity, format, args);
    va_end(args);
    return result;
}
