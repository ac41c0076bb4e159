// The Corvale ledger document (.mpl): a small UTF-8 text format, described for users in
// payload/mpl-format.md. The parser works on a byte range of any content and any length:
// it reads nothing outside it, copies only into the fixed fields below after checking
// their room, and reports the first fault with its line number.
#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr size_t LedgerMaxFileBytes = 1024 * 1024;
constexpr int LedgerMaxLineBytes = 200; // without the line end
constexpr int LedgerTextBytes = 64;     // title and description, terminator included
constexpr int LedgerMaxEntries = 5000;
constexpr int LedgerMaxIntegerDigits = 9; // amounts up to 999,999,999.99
constexpr int LedgerMinYear = 1900;
constexpr int LedgerMaxYear = 9999;
constexpr int LedgerAmountUnits = 32; // room for any formatted amount or balance

struct LedgerDate {
    int Year;
    int Month;
    int Day;
};

struct LedgerEntry {
    LedgerDate Date;
    char Description[LedgerTextBytes]; // UTF-8, never empty
    int64_t AmountCents;               // income positive, spending negative
};

struct Ledger {
    char Title[LedgerTextBytes]; // UTF-8, never empty
    char Currency[4];            // three capital letters, or empty
    int64_t OpeningCents;        // balance before the first transaction
    int EntryCount;
    LedgerEntry Entries[LedgerMaxEntries]; // in file order
};

enum LedgerStatus {
    LedgerOk,
    LedgerTooLarge,
    LedgerNotLedger,
    LedgerNewerVersion,
    LedgerBadEncoding,
    LedgerControlCharacter,
    LedgerLineTooLong,
    LedgerBadHeader,
    LedgerDuplicateField,
    LedgerBadTitle,
    LedgerMissingTitle,
    LedgerBadCurrency,
    LedgerBadDate,
    LedgerMissingDescription,
    LedgerDescriptionTooLong,
    LedgerBadAmount,
    LedgerTooManyEntries,
    LedgerStatusCount
};

struct LedgerResult {
    LedgerStatus Status;
    int Line; // 1-based line of the fault; 0 for faults of the whole file
};

// Parses size bytes at data into ledger. On any fault the ledger holds what was read
// before it and the result names the fault.
LedgerResult ParseLedger(const unsigned char* data, size_t size, Ledger* ledger);

// A short English sentence for a status, for the user.
const char* LedgerStatusText(LedgerStatus status);

struct LedgerTotals {
    int64_t IncomeCents;   // sum of the positive amounts
    int64_t SpendingCents; // sum of the negative amounts (zero or less)
    int64_t BalanceCents;  // opening balance plus every amount
};
LedgerTotals SumLedger(const Ledger* ledger);

// "-1,234.56": sign, thousands separators, two decimals. Returns the length, or -1 when
// it does not fit capacity bytes with its terminator (out is then empty).
int FormatLedgerAmount(int64_t cents, char* out, int capacity);
// "2024-03-31". Returns the length, or -1 when it does not fit (out is then empty).
int FormatLedgerDate(LedgerDate date, char* out, int capacity);
