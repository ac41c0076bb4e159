#include "ledger.h"

#include <string.h>

namespace {

// One line of the document: a byte range that holds no line end.
struct LineText {
    const unsigned char* Bytes;
    int Length;
};

const char FormatLine[] = "MPL 1";
const char VersionPrefix[] = "MPL ";

bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
bool IsUpper(unsigned char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsLetter(unsigned char c) {
    return IsUpper(c) || (c >= 'a' && c <= 'z');
}

LineText Trim(LineText text) {
    while (text.Length > 0 && IsBlank(text.Bytes[0])) {
        ++text.Bytes;
        --text.Length;
    }
    while (text.Length > 0 && IsBlank(text.Bytes[text.Length - 1]))
        --text.Length;
    return text;
}

bool Equals(LineText text, const char* literal) {
    size_t length = strlen(literal);
    return static_cast<size_t>(text.Length) == length && memcmp(text.Bytes, literal, length) == 0;
}

bool StartsWith(LineText text, const char* literal) {
    size_t length = strlen(literal);
    return static_cast<size_t>(text.Length) >= length && memcmp(text.Bytes, literal, length) == 0;
}

// Length of the UTF-8 sequence starting at text[0], or 0 when it is not a well-formed one
// (overlong forms, surrogates and values above U+10FFFF are refused).
int Utf8SequenceLength(const unsigned char* text, int available) {
    unsigned char lead = text[0];
    if (lead < 0x80)
        return 1;
    int length;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (length > available || text[1] < low || text[1] > high)
        return 0;
    for (int i = 2; i < length; ++i)
        if (text[i] < 0x80 || text[i] > 0xBF)
            return 0;
    return length;
}

// Every line passes this before its content is looked at.
LedgerStatus CheckLine(LineText line) {
    for (int i = 0; i < line.Length;) {
        unsigned char c = line.Bytes[i];
        if ((c < 0x20 && c != '\t') || c == 0x7F)
            return LedgerControlCharacter;
        int length = Utf8SequenceLength(line.Bytes + i, line.Length - i);
        if (length == 0)
            return LedgerBadEncoding;
        i += length;
    }
    return LedgerOk;
}

// Copies text into a LedgerTextBytes field. False when it is empty or does not fit.
bool CopyField(LineText text, char* field) {
    if (text.Length <= 0 || text.Length >= LedgerTextBytes)
        return false;
    memcpy(field, text.Bytes, static_cast<size_t>(text.Length));
    field[text.Length] = 0;
    return true;
}

// "[+-]digits.dd" with 1 to LedgerMaxIntegerDigits digits before the point.
bool ParseAmount(LineText text, int64_t* cents) {
    int i = 0;
    bool negative = false;
    if (text.Length > 0 && (text.Bytes[0] == '-' || text.Bytes[0] == '+')) {
        negative = text.Bytes[0] == '-';
        i = 1;
    }
    int64_t value = 0;
    int digits = 0;
    for (; i < text.Length && IsDigit(text.Bytes[i]); ++i, ++digits) {
        if (digits == LedgerMaxIntegerDigits)
            return false;
        value = value * 10 + (text.Bytes[i] - '0');
    }
    if (digits == 0 || i + 3 != text.Length || text.Bytes[i] != '.' || !IsDigit(text.Bytes[i + 1]) ||
        !IsDigit(text.Bytes[i + 2]))
        return false;
    value = value * 100 + (text.Bytes[i + 1] - '0') * 10 + (text.Bytes[i + 2] - '0');
    *cents = negative ? -value : value;
    return true;
}

int DaysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

int Digits(const unsigned char* text, int count) {
    int value = 0;
    for (int i = 0; i < count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

constexpr int DateBytes = 10; // YYYY-MM-DD

bool ParseDate(LineText text, LedgerDate* date) {
    if (text.Length < DateBytes)
        return false;
    const unsigned char* d = text.Bytes;
    for (int i = 0; i < DateBytes; ++i)
        if (i == 4 || i == 7 ? d[i] != '-' : !IsDigit(d[i]))
            return false;
    date->Year = Digits(d, 4);
    date->Month = Digits(d + 5, 2);
    date->Day = Digits(d + 8, 2);
    return date->Year >= LedgerMinYear && date->Year <= LedgerMaxYear && date->Month >= 1 &&
           date->Month <= 12 && date->Day >= 1 && date->Day <= DaysInMonth(date->Year, date->Month);
}

// The header fields that the format knows; any other name is skipped.
enum HeaderField { TitleField, CurrencyField, OpeningField, HeaderFieldCount };
const char* const HeaderNames[HeaderFieldCount] = {"Ledger", "Currency", "Opening"};

LedgerStatus ParseHeaderLine(LineText line, Ledger* ledger, bool seen[HeaderFieldCount]) {
    int colon = 0;
    while (colon < line.Length && IsLetter(line.Bytes[colon]))
        ++colon;
    if (colon == 0 || colon == line.Length || line.Bytes[colon] != ':')
        return LedgerBadHeader;
    LineText name = {line.Bytes, colon};
    LineText value = Trim({line.Bytes + colon + 1, line.Length - colon - 1});
    for (int field = 0; field < HeaderFieldCount; ++field) {
        if (!Equals(name, HeaderNames[field]))
            continue;
        if (seen[field])
            return LedgerDuplicateField;
        seen[field] = true;
        switch (field) {
        case TitleField:
            return CopyField(value, ledger->Title) ? LedgerOk : LedgerBadTitle;
        case CurrencyField:
            if (value.Length != 3 || !IsUpper(value.Bytes[0]) || !IsUpper(value.Bytes[1]) ||
                !IsUpper(value.Bytes[2]))
                return LedgerBadCurrency;
            memcpy(ledger->Currency, value.Bytes, 3);
            ledger->Currency[3] = 0;
            return LedgerOk;
        default:
            return ParseAmount(value, &ledger->OpeningCents) ? LedgerOk : LedgerBadAmount;
        }
    }
    return LedgerOk;
}

LedgerStatus ParseEntryLine(LineText line, LedgerEntry* entry) {
    if (!ParseDate(line, &entry->Date) || (line.Length > DateBytes && !IsBlank(line.Bytes[DateBytes])))
        return LedgerBadDate;
    LineText rest = Trim({line.Bytes + DateBytes, line.Length - DateBytes});
    int amountStart = rest.Length;
    while (amountStart > 0 && !IsBlank(rest.Bytes[amountStart - 1]))
        --amountStart;
    if (rest.Length == 0)
        return LedgerBadAmount;
    LineText amount = {rest.Bytes + amountStart, rest.Length - amountStart};
    if (!ParseAmount(amount, &entry->AmountCents))
        return LedgerBadAmount;
    LineText description = Trim({rest.Bytes, amountStart});
    if (description.Length == 0)
        return LedgerMissingDescription;
    return CopyField(description, entry->Description) ? LedgerOk : LedgerDescriptionTooLong;
}

} // namespace

LedgerResult ParseLedger(const unsigned char* data, size_t size, Ledger* ledger) {
    ledger->Title[0] = 0;
    ledger->Currency[0] = 0;
    ledger->OpeningCents = 0;
    ledger->EntryCount = 0;
    if (size > LedgerMaxFileBytes)
        return {LedgerTooLarge, 0};
    static const unsigned char ByteOrderMark[3] = {0xEF, 0xBB, 0xBF};
    size_t position = size >= 3 && memcmp(data, ByteOrderMark, 3) == 0 ? 3 : 0;

    enum { FirstLine, Header, Body } part = FirstLine;
    bool seen[HeaderFieldCount] = {};
    int lineNumber = 0;
    while (position < size) {
        ++lineNumber;
        size_t end = position;
        while (end < size && data[end] != '\n')
            ++end;
        bool lineEnd = end < size;
        size_t next = lineEnd ? end + 1 : end;
        // A CR LF line end; a CR without its LF, at the very end, stays a control character.
        if (lineEnd && end > position && data[end - 1] == '\r')
            --end;
        // Lines longer than the limit are refused before their length could matter.
        if (end - position > static_cast<size_t>(LedgerMaxLineBytes))
            return {LedgerLineTooLong, lineNumber};
        LineText line = {data + position, static_cast<int>(end - position)};
        position = next;

        LedgerStatus status = CheckLine(line);
        if (status != LedgerOk)
            return {status, lineNumber};
        LineText content = Trim(line);
        if (part == FirstLine) {
            if (!Equals(content, FormatLine))
                return {StartsWith(content, VersionPrefix) ? LedgerNewerVersion : LedgerNotLedger,
                        lineNumber};
            part = Header;
            continue;
        }
        if (part == Header) {
            if (content.Length == 0) {
                if (!seen[TitleField])
                    return {LedgerMissingTitle, lineNumber};
                part = Body;
                continue;
            }
            status = ParseHeaderLine(content, ledger, seen);
            if (status != LedgerOk)
                return {status, lineNumber};
            continue;
        }
        if (content.Length == 0 || content.Bytes[0] == '#')
            continue;
        if (ledger->EntryCount == LedgerMaxEntries)
            return {LedgerTooManyEntries, lineNumber};
        status = ParseEntryLine(content, &ledger->Entries[ledger->EntryCount]);
        if (status != LedgerOk)
            return {status, lineNumber};
        ++ledger->EntryCount;
    }
    if (part == FirstLine)
        return {LedgerNotLedger, lineNumber > 0 ? lineNumber : 1};
    if (!seen[TitleField])
        return {LedgerMissingTitle, lineNumber};
    return {LedgerOk, 0};
}

const char* LedgerStatusText(LedgerStatus status) {
    static const char* const Texts[LedgerStatusCount] = {
        "The ledger was read without faults.",
        "The file is larger than 1 MB.",
        "The file does not start with the line \"MPL 1\", so it is not a Corvale ledger.",
        "The ledger was written in a newer format than this version of Corvale reads.",
        "The line is not valid UTF-8 text.",
        "The line holds a control character.",
        "The line is longer than 200 bytes.",
        "A header line must look like \"Name: value\".",
        "This header field appears twice.",
        "The ledger's name must be 1 to 63 bytes long.",
        "The header has no \"Ledger:\" line naming the ledger.",
        "The currency must be three capital letters, like EUR.",
        "A transaction must start with a valid date, like 2024-03-31.",
        "The transaction has no description.",
        "The description is longer than 63 bytes.",
        "An amount must look like 12.50, -12.50 or +12.50.",
        "The ledger holds more than 5000 transactions.",
    };
    if (status < LedgerOk || status >= LedgerStatusCount)
        return "Unknown fault.";
    return Texts[status];
}

LedgerTotals SumLedger(const Ledger* ledger) {
    LedgerTotals totals = {0, 0, ledger->OpeningCents};
    for (int i = 0; i < ledger->EntryCount; ++i) {
        int64_t amount = ledger->Entries[i].AmountCents;
        if (amount > 0)
            totals.IncomeCents += amount;
        else
            totals.SpendingCents += amount;
        totals.BalanceCents += amount;
    }
    return totals;
}

int FormatLedgerAmount(int64_t cents, char* out, int capacity) {
    if (capacity <= 0)
        return -1;
    // Work on the negative side so the most negative value needs no special case.
    int64_t rest = cents < 0 ? cents : -cents;
    char reversed[40];
    int count = 0;
    for (int digit = 0; digit < 3 || rest != 0; ++digit) {
        if (digit == 2)
            reversed[count++] = '.';
        else if (digit > 2 && (digit - 2) % 3 == 0)
            reversed[count++] = ',';
        reversed[count++] = static_cast<char>('0' - rest % 10);
        rest /= 10;
    }
    if (cents < 0)
        reversed[count++] = '-';
    if (count >= capacity) {
        out[0] = 0;
        return -1;
    }
    for (int i = 0; i < count; ++i)
        out[i] = reversed[count - 1 - i];
    out[count] = 0;
    return count;
}

int FormatLedgerDate(LedgerDate date, char* out, int capacity) {
    if (capacity <= DateBytes || date.Year < 0 || date.Year > 9999 || date.Month < 0 || date.Month > 99 ||
        date.Day < 0 || date.Day > 99) {
        if (capacity > 0)
            out[0] = 0;
        return -1;
    }
    int parts[3] = {date.Year, date.Month, date.Day};
    int widths[3] = {4, 2, 2};
    int used = 0;
    for (int p = 0; p < 3; ++p) {
        if (p > 0)
            out[used++] = '-';
        for (int i = widths[p] - 1, value = parts[p]; i >= 0; --i, value /= 10)
            out[used + i] = static_cast<char>('0' + value % 10);
        used += widths[p];
    }
    out[used] = 0;
    return used;
}
