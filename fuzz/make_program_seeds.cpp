// Writes the seed corpora of the installed programs' fuzz targets: the ledger parser's
// into the first folder given (the tests' documents; the build adds the sample ledger),
// the uninstaller rules' into the second (two texts each, as uninstall_rules_fuzz.cpp
// reads them: the first ends at '\n', 0xFF takes the next two bytes as one unit).
#include <stdio.h>

#include <string>

#include "tests/payload/ledger_documents.h"

namespace {

int written = 0;

bool WriteSeed(const std::string& folder, const std::string& content) {
    std::string path = folder + "/seed-" + std::to_string(written++);
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool ok = fwrite(content.data(), 1, content.size(), file) == content.size();
    return fclose(file) == 0 && ok;
}

// A transaction line after LedgerTestHeader, as the tests write their amounts and dates.
template <size_t Count>
bool WriteTransactions(const std::string& folder, const char* const (&parts)[Count], const char* before,
                       const char* after) {
    bool ok = true;
    for (const char* part : parts)
        ok = ok && WriteSeed(folder, std::string(LedgerTestHeader) + before + part + after);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: make_program_seeds LEDGER_FOLDER RULES_FOLDER\n");
        return 2;
    }
    std::string ledgers = argv[1], rules = argv[2];
    bool ok = true;
    for (const LedgerFault& fault : LedgerFaults)
        ok = ok && WriteSeed(ledgers, fault.Text);
    for (const char* text : LedgerLineEndVariants)
        ok = ok && WriteSeed(ledgers, text);
    ok = ok && WriteTransactions(ledgers, LedgerGoodAmounts, "2024-01-01  Tea  ", "\n") &&
         WriteTransactions(ledgers, LedgerBadAmounts, "2024-01-01  Tea  ", "\n") &&
         WriteTransactions(ledgers, LedgerGoodDates, "", "  Tea  1.00\n") &&
         WriteTransactions(ledgers, LedgerBadDates, "", "  Tea  1.00\n");

    const char* const pairs[] = {
        "C:\\Program Files\\Corvale\\uninst_corvale.exe /S\nC:\\Program Files\\Corvale\\corvale.exe",
        "\"C:\\Program Files\\Corvale\\uninst_corvale.exe\"/s\nc:/program files//corvale/",
        "1234 C:\\Program Files\\Corvale\nC:\\Program Files\\Corvale\\",
        "2147483647 C:\\x\n2147483648 C:\\x",
        "C:\\Program Files\\Corvale\\corvale.exe \"D:\\My Ledgers\\sample.mpl\"\n"
        "C:\\Program Files\\Corvale\\corvale.exe",
        "c:\\program files\\Corvale\\\\corvale.exe \"D:\\x.mpl\n\"C:\\PROGRA~1\\Corvale\\corvale.exe\"",
        "corvale.exe   D:\\My Ledgers\\x.mpl  \n",
        "C:\\\xE9\\x.exe\nC:\\\xC9\\\xFF\x30\x01.EXE",
    };
    for (const char* pair : pairs)
        ok = ok && WriteSeed(rules, pair);
    if (!ok) {
        fprintf(stderr, "make_program_seeds: can't write the seeds into %s and %s\n", argv[1], argv[2]);
        return 1;
    }
    return 0;
}
