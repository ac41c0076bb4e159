#include "checks_win.h"

#include <windows.h>

#include <stdarg.h>
#include <stdio.h>

CheckTally Tally = {0, 0};
static bool Quiet = false;

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
    std::string result(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], bytes, nullptr,
                        nullptr);
    return result;
}

std::string Printable(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        if (c == L'\n')
            escaped += L"\\n";
        else if (c == L'\r')
            escaped += L"\\r";
        else if (c == L'\t')
            escaped += L"\\t";
        else if (c < 0x20 || c == 0x7F) {
            wchar_t hex[8];
            swprintf(hex, 8, L"\\x%02X", static_cast<unsigned>(c));
            escaped += hex;
        } else
            escaped += c;
    }
    return Utf8(escaped);
}

void Note(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    fputs("  .. ", stdout);
    vprintf(format, arguments);
    fputc('\n', stdout);
    va_end(arguments);
    fflush(stdout);
}

static bool Record(bool passed, const char* what, const std::string& failure) {
    if (Quiet) {
        ++(passed ? Tally.Passed : Tally.Failed);
        return passed;
    }
    if (passed) {
        ++Tally.Passed;
        printf("  ok   %s\n", what);
    } else {
        ++Tally.Failed;
        printf("  FAIL %s\n%s", what, failure.c_str());
    }
    fflush(stdout);
    return passed;
}

bool ExpectTrue(bool condition, const char* what) {
    return Record(condition, what, "");
}

bool ExpectInt(const char* what, long long expected, long long actual) {
    char failure[128];
    snprintf(failure, sizeof failure, "       expected %lld\n       actual   %lld\n", expected, actual);
    return Record(expected == actual, what, failure);
}

bool ExpectHex(const char* what, unsigned long expected, unsigned long actual) {
    char failure[128];
    snprintf(failure, sizeof failure, "       expected 0x%08lX\n       actual   0x%08lX\n", expected, actual);
    return Record(expected == actual, what, failure);
}

bool ExpectText(const char* what, const std::wstring& expected, const std::wstring& actual) {
    if (expected == actual)
        return Record(true, what, "");
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    char position[96];
    snprintf(position, sizeof position, "       first difference at unit %u (lengths %u and %u)\n",
             static_cast<unsigned>(at), static_cast<unsigned>(expected.size()),
             static_cast<unsigned>(actual.size()));
    std::string failure = "       expected \"" + Printable(expected) + "\"\n       actual   \"" +
                          Printable(actual) + "\"\n" + position;
    return Record(false, what, failure);
}

int FailuresWithin(const std::function<void()>& checks) {
    CheckTally saved = Tally;
    bool wasQuiet = Quiet;
    Quiet = true;
    Tally = CheckTally{0, 0};
    checks();
    int failures = Tally.Failed;
    Quiet = wasQuiet;
    Tally = saved;
    return failures;
}
