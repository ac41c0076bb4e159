// libFuzzer target for the ledger parser that corvale.exe runs on any .mpl file it is
// given. The input is the document itself; libFuzzer hands it over in a heap block of its
// exact size, so a read past its end is caught.
//
// Whatever the parser answers, its fields are terminated within their bounds, and the
// ledger agrees with the document as a plain line-by-line reading sees it: one entry per
// transaction line before the fault's line (all of them on success), in order, with that
// line's date, description and amount. On success the totals are also the sums of the
// amounts, and every amount and running balance, as the program shows them, fits
// LedgerAmountUnits and reads back to its value.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "payload/src/ledger.h"

namespace {

constexpr unsigned char Poison = 0xA5;
constexpr int64_t MaxAmountCents = 99999999999;

Ledger* TheLedger = new Ledger;

[[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "ledger_fuzz: %s\n", what);
    abort();
}

void Expect(bool condition, const char* what) {
    if (!condition)
        Fail(what);
}

// A field of room bytes holds a terminated text of at most maxLength bytes.
size_t CheckedText(const char* field, size_t room, size_t maxLength, const char* what) {
    const void* terminator = memchr(field, 0, room);
    Expect(terminator != nullptr, what);
    size_t length = static_cast<size_t>(static_cast<const char*>(terminator) - field);
    Expect(length <= maxLength, what);
    return length;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trimmed(const std::string& text) {
    size_t start = 0, end = text.size();
    while (start < end && IsBlank(text[start]))
        ++start;
    while (end > start && IsBlank(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

// The document's lines as the format describes them: split at LF, a CR before an LF
// dropped, a byte-order mark at the start skipped.
std::vector<std::string> Lines(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        bool ended = end != std::string::npos;
        std::string line = text.substr(start, (ended ? end : text.size()) - start);
        if (ended && !line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = ended ? end + 1 : text.size();
    }
    return lines;
}

// "[+-]digits.dd" as cents; the parser has already accepted it.
int64_t AmountOf(const std::string& word) {
    int64_t value = 0;
    for (char c : word)
        if (c >= '0' && c <= '9')
            value = value * 10 + (c - '0');
    return word[0] == '-' ? -value : value;
}

// Formats cents as the program shows them and reads the text back.
void CheckShownAmount(int64_t cents) {
    char text[LedgerAmountUnits];
    int length = FormatLedgerAmount(cents, text, LedgerAmountUnits);
    Expect(length > 0 && static_cast<size_t>(length) == strlen(text), "an amount does not fit its text");
    std::string digits;
    for (int i = 0; i < length; ++i)
        if (text[i] != ',')
            digits += text[i];
    Expect(digits.size() >= 4 && digits[digits.size() - 3] == '.', "an amount is shown without two decimals");
    digits.erase(digits.size() - 3, 1);
    Expect(strtoll(digits.c_str(), nullptr, 10) == cents, "an amount is shown as another value");
}

void CheckEntry(const LedgerEntry& entry, const std::string& line) {
    size_t length = CheckedText(entry.Description, LedgerTextBytes, LedgerTextBytes - 1,
                                "a description is not terminated within its field");
    Expect(length > 0 && !IsBlank(entry.Description[0]) && !IsBlank(entry.Description[length - 1]),
           "a description is empty or keeps blanks around it");
    char date[LedgerAmountUnits];
    Expect(FormatLedgerDate(entry.Date, date, LedgerAmountUnits) == 10, "a date does not fit its text");
    std::string content = Trimmed(line);
    Expect(content.compare(0, 10, date) == 0, "an entry's date is not its line's");
    size_t amountStart = content.find_last_of(" \t") + 1;
    std::string middle = Trimmed(content.substr(10, amountStart - 10));
    Expect(middle == entry.Description, "an entry's description is not its line's");
    Expect(entry.AmountCents == AmountOf(content.substr(amountStart)), "an entry's amount is not its line's");
    Expect(entry.AmountCents >= -MaxAmountCents && entry.AmountCents <= MaxAmountCents,
           "an amount is out of range");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Ledger* ledger = TheLedger;
    std::vector<std::string> lines = Lines(data, size);
    // Leftovers of an earlier input must not pass for fields: poison every field this
    // document could fill (at most one entry per line).
    size_t fillable = lines.size() < static_cast<size_t>(LedgerMaxEntries) ? lines.size() : LedgerMaxEntries;
    memset(ledger->Title, Poison, sizeof ledger->Title);
    memset(ledger->Currency, Poison, sizeof ledger->Currency);
    memset(ledger->Entries, Poison, fillable * sizeof ledger->Entries[0]);

    LedgerResult result = ParseLedger(data, size, ledger);
    Expect(result.Status >= LedgerOk && result.Status < LedgerStatusCount, "the status is out of range");
    Expect(LedgerStatusText(result.Status) != nullptr, "a status has no text");
    size_t titleLength = CheckedText(ledger->Title, sizeof ledger->Title, LedgerTextBytes - 1,
                                     "the title is not terminated within its field");
    size_t currencyLength = CheckedText(ledger->Currency, sizeof ledger->Currency, 3,
                                        "the currency is not terminated within its field");
    Expect(ledger->EntryCount >= 0 && static_cast<size_t>(ledger->EntryCount) <= fillable,
           "more entries than lines");

    // The transaction lines: after the first blank line of the header, every line that is
    // neither blank nor a note. A fault stops the reading at its line, and the ledger holds
    // the entries of the lines before it.
    size_t body = 1;
    while (body < lines.size() && !Trimmed(lines[body]).empty())
        ++body;
    size_t readLines = result.Status == LedgerOk ? lines.size() : static_cast<size_t>(result.Line) - 1;
    std::vector<const std::string*> transactions;
    for (size_t i = body + 1; i < lines.size() && i < readLines; ++i) {
        std::string content = Trimmed(lines[i]);
        if (!content.empty() && content[0] != '#')
            transactions.push_back(&lines[i]);
    }
    if (result.Status != LedgerOk) {
        if (result.Status == LedgerTooLarge) {
            Expect(result.Line == 0, "a fault of the whole file names a line");
            return 0;
        }
        Expect(result.Line >= 1 && static_cast<size_t>(result.Line) <= (lines.empty() ? 1 : lines.size()),
               "a fault names a line the document does not have");
    } else {
        Expect(result.Line == 0, "a ledger read without faults names a line");
    }
    Expect(transactions.size() == static_cast<size_t>(ledger->EntryCount),
           "the entry count is not the number of transaction lines read");
    for (int i = 0; i < ledger->EntryCount; ++i)
        CheckEntry(ledger->Entries[i], *transactions[static_cast<size_t>(i)]);
    if (result.Status != LedgerOk)
        return 0;

    for (const std::string& line : lines)
        for (unsigned char c : line)
            Expect(c == '\t' || (c >= 0x20 && c != 0x7F), "a ledger with a control character was read");
    Expect(titleLength > 0, "a ledger without a title was read");
    Expect(currencyLength == 0 || currencyLength == 3, "the currency is neither empty nor three letters");
    for (size_t i = 0; i < currencyLength; ++i)
        Expect(ledger->Currency[i] >= 'A' && ledger->Currency[i] <= 'Z',
               "the currency is not capital letters");
    Expect(ledger->OpeningCents >= -MaxAmountCents && ledger->OpeningCents <= MaxAmountCents,
           "the opening balance is out of range");

    int64_t income = 0, spending = 0, balance = ledger->OpeningCents;
    CheckShownAmount(balance);
    for (int i = 0; i < ledger->EntryCount; ++i) {
        const LedgerEntry& entry = ledger->Entries[i];
        (entry.AmountCents > 0 ? income : spending) += entry.AmountCents;
        balance += entry.AmountCents;
        CheckShownAmount(entry.AmountCents);
        CheckShownAmount(balance);
    }
    LedgerTotals totals = SumLedger(ledger);
    Expect(totals.IncomeCents == income && totals.SpendingCents == spending && totals.BalanceCents == balance,
           "the totals are not the sums of the amounts");
    CheckShownAmount(totals.IncomeCents);
    CheckShownAmount(totals.SpendingCents);
    return 0;
}
