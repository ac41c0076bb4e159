// Check bookkeeping of the end-to-end driver: every check prints one line, failures with
// the expected and the actual value, and counts into the tally of the running case.
#pragma once

#include <functional>
#include <string>

struct CheckTally {
    int Passed;
    int Failed;
};

extern CheckTally Tally;

// Wide text as UTF-8, with control characters written as escapes (\n, \r, \t, \xNN) so that
// a message that differs only in its line breaks shows where.
std::string Printable(const std::wstring& text);
std::string Utf8(const std::wstring& text);

void Note(const char* format, ...);

// Each returns whether the check passed.
bool ExpectTrue(bool condition, const char* what);
bool ExpectInt(const char* what, long long expected, long long actual);
bool ExpectHex(const char* what, unsigned long expected, unsigned long actual);
bool ExpectText(const char* what, const std::wstring& expected, const std::wstring& actual);

// Runs checks that are meant to fail, silently, and returns how many failed; the tally is
// left as it was. Control checks use it to show that a read-back can tell a wrong value.
int FailuresWithin(const std::function<void()>& checks);
