#include "payload/src/document_argument.h"

#include <gtest/gtest.h>

#include <string>

#include "core/product.h"

namespace {

const char16_t Module[] = u"C:\\Program Files\\Corvale\\corvale.exe";

struct Found {
    int Result;
    std::u16string Document;
};

Found Find(const char16_t* commandLine, const char16_t* modulePath = Module) {
    char16_t document[PathUnits];
    int result = FindDocumentArgument(commandLine, modulePath, document);
    return {result, document};
}

TEST(DocumentArgument, TheRegisteredOpenCommandAsWindowsPassesIt) {
    // <path> "%1", the path unquoted: by the usual rules its first word is the program.
    Found found = Find(u"C:\\Program Files\\Corvale\\corvale.exe \"D:\\My Ledgers\\sample.mpl\"");
    EXPECT_EQ(1, found.Result);
    EXPECT_EQ(u"D:\\My Ledgers\\sample.mpl", found.Document);
    // Another spelling of the same folder, as a folder entered with a final backslash gives.
    found = Find(u"c:\\program files\\Corvale\\\\corvale.exe \"D:\\x.mpl\"");
    EXPECT_EQ(u"D:\\x.mpl", found.Document);
    // Even when the program's path can't be recognised, the quoted document is found.
    found = Find(u"C:\\PROGRA~1\\Corvale\\corvale.exe \"D:\\x.mpl\"");
    EXPECT_EQ(u"D:\\x.mpl", found.Document);
    found = Find(u"C:\\Program Files\\Corvale\\corvale.exe \"D:\\x.mpl\"", u"");
    EXPECT_EQ(u"D:\\x.mpl", found.Document);
}

TEST(DocumentArgument, QuotedAndBareForms) {
    EXPECT_EQ(u"D:\\x.mpl", Find(u"\"C:\\Program Files\\Corvale\\corvale.exe\" \"D:\\x.mpl\"").Document);
    EXPECT_EQ(u"D:\\x.mpl", Find(u"\"C:\\Program Files\\Corvale\\corvale.exe\"\"D:\\x.mpl\"").Document);
    EXPECT_EQ(u"D:\\My Ledgers\\x.mpl", Find(u"corvale.exe   D:\\My Ledgers\\x.mpl  ").Document);
    EXPECT_EQ(u"D:\\cut.mpl", Find(u"corvale.exe \"D:\\cut.mpl").Document); // no closing quote
}

TEST(DocumentArgument, NoDocument) {
    const char16_t* none[] = {
        u"C:\\Program Files\\Corvale\\corvale.exe", // started by its own path, unquoted
        u"C:\\Program Files\\Corvale\\corvale.exe   ",
        u"\"C:\\Program Files\\Corvale\\corvale.exe\"",
        u"corvale.exe",
        u"corvale.exe \"\"",
        u"",
    };
    for (const char16_t* line : none) {
        Found found = Find(line);
        EXPECT_EQ(0, found.Result) << std::string(found.Document.begin(), found.Document.end());
        EXPECT_EQ(u"", found.Document);
    }
    // Control: without the module path, an unquoted path with spaces leaves words behind.
    EXPECT_EQ(1, Find(u"C:\\Program Files\\Corvale\\corvale.exe", u"").Result);
    // A longer path that only starts like the program's is not the program.
    EXPECT_EQ(u"Files\\Corvale\\corvale.exe2", Find(u"C:\\Program Files\\Corvale\\corvale.exe2").Document);
}

TEST(DocumentArgument, APathThatDoesNotFitIsRefusedNotCut) {
    std::u16string fits(PathUnits - 1, u'a'), tooLong(PathUnits, u'a');
    EXPECT_EQ(1, Find((u"corvale.exe \"" + fits + u"\"").c_str()).Result);
    Found found = Find((u"corvale.exe \"" + tooLong + u"\"").c_str());
    EXPECT_EQ(-1, found.Result);
    EXPECT_EQ(u"", found.Document);
}

} // namespace
