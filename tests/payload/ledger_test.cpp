#include "payload/src/ledger.h"
#include "tests/payload/ledger_documents.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// Each parse reads from a heap copy of exactly the document's size, so the sanitizer
// catches a read one byte past the end.
LedgerResult Parse(const std::string& text, Ledger* ledger) {
    std::vector<unsigned char> bytes(text.begin(), text.end());
    return ParseLedger(bytes.data(), bytes.size(), ledger);
}

std::unique_ptr<Ledger> NewLedger() {
    return std::unique_ptr<Ledger>(new Ledger);
}

const std::string Header = LedgerTestHeader;

std::vector<unsigned char> ReadFile(const char* path) {
    std::vector<unsigned char> data;
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
        return data;
    unsigned char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, file)) > 0)
        data.insert(data.end(), buffer, buffer + count);
    fclose(file);
    return data;
}

TEST(LedgerDocument, TheShippedSampleReadsWithItsStatedBalance) {
    std::vector<unsigned char> sample = ReadFile(PAYLOAD_SAMPLE_DOCUMENT);
    ASSERT_FALSE(sample.empty());
    auto ledger = NewLedger();
    LedgerResult result = ParseLedger(sample.data(), sample.size(), ledger.get());
    ASSERT_EQ(LedgerOk, result.Status) << "line " << result.Line;
    EXPECT_STREQ("Household 2026", ledger->Title);
    EXPECT_STREQ("EUR", ledger->Currency);
    EXPECT_EQ(125000, ledger->OpeningCents);
    EXPECT_EQ(30, ledger->EntryCount);
    EXPECT_EQ(499265, SumLedger(ledger.get()).BalanceCents);
    // The sample ships with Windows line ends; the parser must not keep the CR.
    EXPECT_STREQ("Rent, January", ledger->Entries[0].Description);
}

TEST(LedgerDocument, ReadsEveryPartOfAMinimalDocument) {
    auto ledger = NewLedger();
    LedgerResult result = Parse("MPL 1\nLedger:  My money \nCurrency: CHF\nOpening: -20.05\n\n# note\n\n"
                                "2024-02-29  Coffee and cake   -7.40\n2024-03-01\tSalary\t+1200.00\n",
                                ledger.get());
    ASSERT_EQ(LedgerOk, result.Status) << result.Line;
    EXPECT_STREQ("My money", ledger->Title);
    EXPECT_STREQ("CHF", ledger->Currency);
    EXPECT_EQ(-2005, ledger->OpeningCents);
    ASSERT_EQ(2, ledger->EntryCount);
    EXPECT_EQ(2024, ledger->Entries[0].Date.Year);
    EXPECT_EQ(2, ledger->Entries[0].Date.Month);
    EXPECT_EQ(29, ledger->Entries[0].Date.Day);
    EXPECT_STREQ("Coffee and cake", ledger->Entries[0].Description);
    EXPECT_EQ(-740, ledger->Entries[0].AmountCents);
    EXPECT_STREQ("Salary", ledger->Entries[1].Description);
    EXPECT_EQ(120000, ledger->Entries[1].AmountCents);
}

TEST(LedgerDocument, LineEndsByteOrderMarkAndMissingFinalLineEndReadAlike) {
    for (const char* text : LedgerLineEndVariants) {
        SCOPED_TRACE(text);
        auto ledger = NewLedger();
        ASSERT_EQ(LedgerOk, Parse(text, ledger.get()).Status);
        ASSERT_EQ(1, ledger->EntryCount);
        EXPECT_STREQ("Tea", ledger->Entries[0].Description);
        EXPECT_EQ(-100, ledger->Entries[0].AmountCents);
    }
}

TEST(LedgerDocument, AHeaderWithoutBodyIsAnEmptyLedger) {
    auto ledger = NewLedger();
    EXPECT_EQ(LedgerOk, Parse("MPL 1\nLedger: Empty", ledger.get()).Status);
    EXPECT_EQ(0, ledger->EntryCount);
    EXPECT_EQ(0, ledger->OpeningCents);
    EXPECT_STREQ("", ledger->Currency);
}

TEST(LedgerDocument, UnknownHeaderFieldsAreSkipped) {
    auto ledger = NewLedger();
    EXPECT_EQ(LedgerOk, Parse("MPL 1\nOwner: Ilse\nLedger: L\nColour: green\n\n", ledger.get()).Status);
    EXPECT_STREQ("L", ledger->Title);
}

TEST(LedgerFaults, EachFaultIsNamedWithItsLine) {
    for (const LedgerFault& fault : LedgerFaults) {
        SCOPED_TRACE(fault.Text);
        auto ledger = NewLedger();
        LedgerResult result = Parse(fault.Text, ledger.get());
        EXPECT_EQ(fault.Status, result.Status);
        EXPECT_EQ(fault.Line, result.Line);
    }
}

TEST(LedgerFaults, AmountsNeedTwoDecimalsAndAtMostNineIntegerDigits) {
    for (const char* amount : LedgerGoodAmounts) {
        auto ledger = NewLedger();
        EXPECT_EQ(LedgerOk, Parse(Header + "2024-01-01  Tea  " + amount + "\n", ledger.get()).Status)
            << amount;
    }
    for (const char* amount : LedgerBadAmounts) {
        auto ledger = NewLedger();
        EXPECT_EQ(LedgerBadAmount, Parse(Header + "2024-01-01  Tea  " + amount + "\n", ledger.get()).Status)
            << amount;
    }
    auto ledger = NewLedger();
    ASSERT_EQ(LedgerOk, Parse(Header + "2024-01-01  Top  999999999.99\n", ledger.get()).Status);
    EXPECT_EQ(99999999999, ledger->Entries[0].AmountCents);
}

TEST(LedgerFaults, DatesMustExistInTheCalendar) {
    for (const char* date : LedgerGoodDates) {
        auto ledger = NewLedger();
        EXPECT_EQ(LedgerOk, Parse(Header + date + "  Tea  1.00\n", ledger.get()).Status) << date;
    }
    for (const char* date : LedgerBadDates) {
        auto ledger = NewLedger();
        EXPECT_EQ(LedgerBadDate, Parse(Header + date + "  Tea  1.00\n", ledger.get()).Status) << date;
    }
}

TEST(LedgerLimits, TextFieldsHoldSixtyThreeBytesCountedInUtf8) {
    auto ledger = NewLedger();
    std::string fits(63, 'x');
    ASSERT_EQ(LedgerOk, Parse(Header + "2024-01-01  " + fits + "  1.00\n", ledger.get()).Status);
    EXPECT_EQ(fits, ledger->Entries[0].Description);
    EXPECT_EQ(LedgerDescriptionTooLong,
              Parse(Header + "2024-01-01  " + fits + "y  1.00\n", ledger.get()).Status);
    // 21 three-byte characters are 63 bytes; one more two-byte character no longer fits.
    std::string euros;
    for (int i = 0; i < 21; ++i)
        euros += "\xE2\x82\xAC";
    ASSERT_EQ(LedgerOk, Parse(Header + "2024-01-01  " + euros + "  1.00\n", ledger.get()).Status);
    EXPECT_EQ(euros, ledger->Entries[0].Description);
    EXPECT_EQ(LedgerDescriptionTooLong,
              Parse(Header + "2024-01-01  " + euros + "\xC3\xA9  1.00\n", ledger.get()).Status);
    EXPECT_EQ(LedgerOk, Parse("MPL 1\nLedger: " + fits + "\n", ledger.get()).Status);
    EXPECT_EQ(LedgerBadTitle, Parse("MPL 1\nLedger: " + fits + "z\n", ledger.get()).Status);
}

TEST(LedgerLimits, LinesHoldTwoHundredBytesWithoutTheirLineEnd) {
    auto ledger = NewLedger();
    std::string note200 = "#" + std::string(199, ' ');
    EXPECT_EQ(LedgerOk, Parse(Header + note200 + "\r\n", ledger.get()).Status);
    LedgerResult result = Parse(Header + note200 + " \n", ledger.get());
    EXPECT_EQ(LedgerLineTooLong, result.Status);
    EXPECT_EQ(4, result.Line);
    // Far longer than any buffer: refused, not cut.
    EXPECT_EQ(LedgerLineTooLong, Parse(Header + std::string(100000, 'a'), ledger.get()).Status);
}

TEST(LedgerLimits, FiveThousandTransactionsFitAndOneMoreIsRefused) {
    std::string text = Header;
    for (int i = 0; i < LedgerMaxEntries; ++i)
        text += "2024-01-01  Tea  -1.00\n";
    auto ledger = NewLedger();
    ASSERT_EQ(LedgerOk, Parse(text, ledger.get()).Status);
    EXPECT_EQ(LedgerMaxEntries, ledger->EntryCount);
    EXPECT_EQ(-LedgerMaxEntries * 100, SumLedger(ledger.get()).SpendingCents);
    LedgerResult result = Parse(text + "2024-01-01  Tea  -1.00\n", ledger.get());
    EXPECT_EQ(LedgerTooManyEntries, result.Status);
    EXPECT_EQ(3 + LedgerMaxEntries + 1, result.Line);
}

TEST(LedgerLimits, FilesAboveOneMegabyteAreRefusedWhole) {
    std::string text = Header;
    text.resize(LedgerMaxFileBytes, '\n');
    auto ledger = NewLedger();
    EXPECT_EQ(LedgerOk, Parse(text, ledger.get()).Status);
    LedgerResult result = Parse(text + "\n", ledger.get());
    EXPECT_EQ(LedgerTooLarge, result.Status);
    EXPECT_EQ(0, result.Line);
}

TEST(LedgerEncoding, MalformedUtf8IsRefused) {
    const char* bad[] = {
        "\xC0\x80",         // overlong NUL
        "\xE0\x80\xAF",     // overlong slash
        "\xED\xA0\x80",     // a surrogate
        "\xF4\x90\x80\x80", // above U+10FFFF
        "\xF5\x80\x80\x80", // no such lead byte
        "\x80",             // a lone continuation byte
        "\xC3",             // cut off at the end of the line
        "\xE2\x82",         // cut off
    };
    for (const char* sequence : bad) {
        auto ledger = NewLedger();
        LedgerResult result = Parse(Header + "2024-01-01  Tea" + sequence + "  1.00\n", ledger.get());
        EXPECT_EQ(LedgerBadEncoding, result.Status);
        EXPECT_EQ(4, result.Line);
        // The same bytes as the very last bytes of the file, where a reader could run past it.
        EXPECT_EQ(LedgerBadEncoding, Parse(Header + "#" + sequence, ledger.get()).Status);
    }
    auto ledger = NewLedger();
    EXPECT_EQ(
        LedgerOk,
        Parse(Header + "2024-01-01  \xF0\x9F\x8D\xB5 \xC3\xA9\xE2\x82\xAC  1.00\n", ledger.get()).Status);
}

// Random damage to the sample: whatever the parser answers, it stays inside the input and
// its own fields (the sanitizers watch both) and leaves terminated texts.
TEST(LedgerRobustness, DamagedDocumentsNeverLeaveTheirBuffers) {
    std::vector<unsigned char> sample = ReadFile(PAYLOAD_SAMPLE_DOCUMENT);
    ASSERT_FALSE(sample.empty());
    std::mt19937 random(2730);
    auto ledger = NewLedger();
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<unsigned char> damaged = sample;
        int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e) {
            size_t at = random() % (damaged.size() + 1);
            switch (random() % 4) {
            case 0:
                if (at < damaged.size())
                    damaged[at] = static_cast<unsigned char>(random());
                break;
            case 1:
                damaged.insert(damaged.begin() + static_cast<long>(at), static_cast<unsigned char>(random()));
                break;
            case 2:
                if (at < damaged.size())
                    damaged.erase(damaged.begin() + static_cast<long>(at));
                break;
            default:
                damaged.resize(at);
                break;
            }
        }
        LedgerResult result = ParseLedger(damaged.data(), damaged.size(), ledger.get());
        ASSERT_GE(result.Status, LedgerOk);
        ASSERT_LT(result.Status, LedgerStatusCount);
        ASSERT_GE(ledger->EntryCount, 0);
        ASSERT_LE(ledger->EntryCount, LedgerMaxEntries);
        ASSERT_LT(strlen(ledger->Title), static_cast<size_t>(LedgerTextBytes));
        for (int i = 0; i < ledger->EntryCount; ++i)
            ASSERT_GT(strlen(ledger->Entries[i].Description), 0u);
        if (result.Status == LedgerOk)
            ++accepted;
    }
    // Control: the damage must not be so heavy that nothing is ever accepted, nor so light
    // that nothing is ever refused.
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, 3000);
}

TEST(LedgerFormatting, AmountsGetSignSeparatorsAndTwoDecimals) {
    struct {
        int64_t Cents;
        const char* Text;
    } cases[] = {
        {0, "0.00"},
        {5, "0.05"},
        {-5, "-0.05"},
        {100, "1.00"},
        {99999, "999.99"},
        {100000, "1,000.00"},
        {-123456789, "-1,234,567.89"},
        {INT64_MIN, "-92,233,720,368,547,758.08"},
        {INT64_MAX, "92,233,720,368,547,758.07"},
    };
    for (const auto& c : cases) {
        char out[LedgerAmountUnits];
        EXPECT_EQ(static_cast<int>(strlen(c.Text)), FormatLedgerAmount(c.Cents, out, sizeof out));
        EXPECT_STREQ(c.Text, out);
    }
}

TEST(LedgerFormatting, ATextThatDoesNotFitIsRefusedNotCut) {
    char out[9];
    EXPECT_EQ(8, FormatLedgerAmount(123456, out, 9)); // "1,234.56" and its terminator
    EXPECT_EQ(-1, FormatLedgerAmount(123456, out, 8));
    EXPECT_STREQ("", out);
    EXPECT_EQ(-1, FormatLedgerAmount(1, out, 0));

    char date[11];
    EXPECT_EQ(10, FormatLedgerDate({2026, 3, 9}, date, 11));
    EXPECT_STREQ("2026-03-09", date);
    EXPECT_EQ(-1, FormatLedgerDate({2026, 3, 9}, date, 10));
    EXPECT_STREQ("", date);
    EXPECT_EQ(-1, FormatLedgerDate({12026, 3, 9}, date, 11));
}

TEST(LedgerTotals, IncomeSpendingAndBalanceAreSummedApart) {
    auto ledger = NewLedger();
    ASSERT_EQ(LedgerOk, Parse("MPL 1\nLedger: L\nOpening: 100.00\n\n2024-01-01  A  -30.00\n"
                              "2024-01-02  B  45.50\n2024-01-03  C  0.00\n2024-01-04  D  -0.50\n",
                              ledger.get())
                            .Status);
    LedgerTotals totals = SumLedger(ledger.get());
    EXPECT_EQ(4550, totals.IncomeCents);
    EXPECT_EQ(-3050, totals.SpendingCents);
    EXPECT_EQ(11500, totals.BalanceCents);
}

TEST(LedgerTexts, EveryStatusHasItsOwnSentence) {
    for (int a = 0; a < LedgerStatusCount; ++a)
        for (int b = a + 1; b < LedgerStatusCount; ++b)
            EXPECT_STRNE(LedgerStatusText(static_cast<LedgerStatus>(a)),
                         LedgerStatusText(static_cast<LedgerStatus>(b)));
    EXPECT_STREQ("Unknown fault.", LedgerStatusText(LedgerStatusCount));
}

} // namespace
