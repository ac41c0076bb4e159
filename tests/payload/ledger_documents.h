// Ledger documents of the parser's tests, also the ledger fuzz target's seeds: whole
// documents with the fault each one must be refused for, the line end variants of one
// document, and amounts and dates that the tests write after LedgerTestHeader into a
// transaction line.
#pragma once

#include "payload/src/ledger.h"

struct LedgerFault {
    const char* Text;
    LedgerStatus Status;
    int Line;
};

inline const LedgerFault LedgerFaults[] = {
    {"", LedgerNotLedger, 1},
    {"Hello\n", LedgerNotLedger, 1},
    {"MPL 2\nLedger: L\n", LedgerNewerVersion, 1},
    {"MPL 1\n\n", LedgerMissingTitle, 2},
    {"MPL 1\nCurrency: EUR\n", LedgerMissingTitle, 2},
    {"MPL 1\nLedger L\n\n", LedgerBadHeader, 2},
    {"MPL 1\n: L\n\n", LedgerBadHeader, 2},
    {"MPL 1\nLedger: A\nLedger: B\n\n", LedgerDuplicateField, 3},
    {"MPL 1\nLedger:   \n\n", LedgerBadTitle, 2},
    {"MPL 1\nLedger: L\nCurrency: eur\n\n", LedgerBadCurrency, 3},
    {"MPL 1\nLedger: L\nCurrency: EURO\n\n", LedgerBadCurrency, 3},
    {"MPL 1\nLedger: L\nOpening: 12\n\n", LedgerBadAmount, 3},
    {"MPL 1\nLedger: L\n\n2024-01-01  Tea\n", LedgerBadAmount, 4},
    {"MPL 1\nLedger: L\n\n2024-01-01\n", LedgerBadAmount, 4},
    {"MPL 1\nLedger: L\n\n2024-01-01  -1.00\n", LedgerMissingDescription, 4},
    {"MPL 1\nLedger: L\n\n\n# x\n2024-01-011 Tea 1.00\n", LedgerBadDate, 6},
    {"MPL 1\nLedger: L\n\nTea 2024-01-01 1.00\n", LedgerBadDate, 4},
    {"MPL 1\nLedger: L\n\x01\n", LedgerControlCharacter, 3},
    {"MPL 1\nLedger: L\rX\n\n", LedgerControlCharacter, 2},
    {"MPL 1\nLedger: L\r", LedgerControlCharacter, 2}, // a CR ends no line without its LF
    {"MPL 1\nLedger: L\n\n2024-01-01  T\x7F  1.00\n", LedgerControlCharacter, 4},
};

inline const char* const LedgerLineEndVariants[] = {
    "MPL 1\nLedger: L\n\n2024-01-01  Tea  -1.00\n",
    "MPL 1\r\nLedger: L\r\n\r\n2024-01-01  Tea  -1.00\r\n",
    "\xEF\xBB\xBFMPL 1\nLedger: L\n\n2024-01-01  Tea  -1.00",
};

constexpr char LedgerTestHeader[] = "MPL 1\nLedger: Test\n\n";

inline const char* const LedgerGoodAmounts[] = {"0.00",         "+0.01",         "-0.01",
                                                "999999999.99", "-999999999.99", "007.50"};
inline const char* const LedgerBadAmounts[] = {
    "12",    "12.5",  "12.345", ".50",   "1,000.00", "1000000000.00", "--1.00", "+-1.00",
    "1.00-", "1. 00", "1.0a",   "12,50", "-",        "-.00"};

inline const char* const LedgerGoodDates[] = {"2024-02-29", "2000-02-29", "1900-01-01", "9999-12-31",
                                              "2023-04-30"};
inline const char* const LedgerBadDates[] = {"2023-02-29", "1900-02-29", "2100-02-29", "2024-13-01",
                                             "2024-00-10", "2024-01-00", "2024-04-31", "1899-12-31",
                                             "2024-1-01",  "2024/01/01"};
