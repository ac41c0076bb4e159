// libFuzzer target for the rules by which the installed programs read their command lines
// and compare paths: the uninstaller's options (its command line comes from a registry
// string), the finishing entry's arguments, SamePath, FolderOfPath and the document that
// corvale.exe is asked to open.
//
// The input is two UTF-16 texts: each byte is the unit of that value, except that 0xFF
// takes the next two bytes as one unit (low byte first) and '\n' ends the first text.
// Each rule is compared with a plain reading of what it promises (in uninstall_rules.h and
// document_argument.h); the texts sit in heap blocks of their exact size.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "core/product.h"
#include "core/text.h"
#include "payload/src/document_argument.h"
#include "payload/src/uninstall_rules.h"

namespace {

using Text16 = std::u16string;

[[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "uninstall_rules_fuzz: %s\n", what);
    abort();
}

void Expect(bool condition, const char* what) {
    if (!condition)
        Fail(what);
}

// A terminated heap copy of exactly the text's size.
std::unique_ptr<char16_t[]> Copy(const Text16& text) {
    std::unique_ptr<char16_t[]> copy(new char16_t[text.size() + 1]);
    for (size_t i = 0; i < text.size(); ++i)
        copy[i] = text[i];
    copy[text.size()] = 0;
    return copy;
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

bool Silent(const Text16& line) {
    return ReadUninstallOptions(Copy(line).get()).Silent != 0;
}

void CheckOptions(const Text16& line, const Text16& other) {
    size_t end = line.size();
    while (end > 0 && IsBlank(line[end - 1]))
        --end;
    bool silent = end >= 3 && line[end - 2] == u'/' && (line[end - 1] == u'S' || line[end - 1] == u's') &&
                  (IsBlank(line[end - 3]) || line[end - 3] == u'"');
    Expect(Silent(line) == silent, "the uninstaller's options are misread");
    Expect(Silent(other + line + u" /S"), "a trailing /S is not read as silent");
}

void CheckFinishArguments(const Text16& arguments, const Text16& other) {
    // What ParseFinishArguments promises: two handle numbers of up to ten digits below 2^31,
    // each followed by one space, then a non-empty path that fits.
    size_t at = 0;
    uint64_t values[2] = {};
    bool valid = true;
    for (uint64_t& value : values) {
        size_t digits = 0;
        while (at + digits < arguments.size() && arguments[at + digits] >= u'0' &&
               arguments[at + digits] <= u'9' && value <= 0x7FFFFFFFu)
            value = value * 10 + (arguments[at + digits++] - u'0');
        valid = valid && digits > 0 && digits <= 10 && value <= 0x7FFFFFFFu &&
                at + digits < arguments.size() && arguments[at + digits] == u' ';
        at += digits + 1;
    }
    valid = valid && at < arguments.size() && arguments.size() - at < static_cast<size_t>(PathUnits);
    uint32_t process = 77, copy = 78;
    char16_t image[PathUnits];
    int result = ParseFinishArguments(Copy(arguments).get(), &process, &copy, image);
    Expect((result == 0) == valid, "finishing arguments are accepted or refused wrongly");
    if (valid)
        Expect(process == values[0] && copy == values[1] && Text16(image) == arguments.substr(at),
               "finishing arguments are misread");
    else
        Expect(process == 77 && copy == 78 && image[0] == 0, "refused finishing arguments left a value");

    // What ComposeFinishArguments writes reads back.
    uint32_t composedHandle = 0;
    for (char16_t c : other)
        composedHandle = composedHandle * 31 + c;
    char16_t composed[PathUnits + 32];
    if (ComposeFinishArguments(composed, PathUnits + 32, composedHandle, composedHandle / 2,
                               Copy(arguments).get()) < 0)
        return;
    Expect(composedHandle <= 0x7FFFFFFFu, "a handle of 2^31 or more was composed");
    result = ParseFinishArguments(composed, &process, &copy, image);
    if (!arguments.empty() && arguments.size() < static_cast<size_t>(PathUnits))
        Expect(result == 0 && process == composedHandle && copy == composedHandle / 2 &&
                   Text16(image) == arguments,
               "composed finishing arguments do not read back");
}

// A path as SamePath compares it: ASCII letters folded, runs of '/' and '\' as one '\',
// a trailing one dropped.
Text16 Normal(const Text16& path) {
    Text16 normal;
    for (char16_t c : path) {
        bool separator = c == u'/' || c == u'\\';
        if (separator && !normal.empty() && normal.back() == u'\\')
            continue;
        normal += separator ? u'\\' : c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
    }
    if (!normal.empty() && normal.back() == u'\\')
        normal.pop_back();
    return normal;
}

void CheckPaths(const Text16& a, const Text16& b) {
    auto first = Copy(a), second = Copy(b);
    int same = SamePath(first.get(), second.get());
    Expect(same == (Normal(a) == Normal(b) ? 1 : 0), "SamePath is wrong");
    Expect(SamePath(second.get(), first.get()) == same, "SamePath is not symmetric");
    Expect(SamePath(first.get(), first.get()) == 1, "a path is not the same as itself");

    char16_t folder[PathUnits];
    int result = FolderOfPath(first.get(), folder);
    size_t last = a.rfind(u'\\');
    bool fits = last != Text16::npos && last > 0 && last < static_cast<size_t>(PathUnits);
    Expect((result == 0) == fits, "FolderOfPath accepts or refuses wrongly");
    Expect(fits ? Text16(folder) == a.substr(0, last) : folder[0] == 0, "FolderOfPath gives a wrong folder");
}

int FindDocument(const Text16& line, const Text16& module, Text16* document) {
    char16_t found[PathUnits];
    int result = FindDocumentArgument(Copy(line).get(), Copy(module).get(), found);
    *document = found;
    return result;
}

void CheckDocument(const Text16& line, const Text16& module) {
    Text16 document;
    int result = FindDocument(line, module, &document);
    Expect(result >= -1 && result <= 1, "FindDocumentArgument's result is out of range");
    Expect(result == 1 ? !document.empty() && line.find(document) != Text16::npos : document.empty(),
           "FindDocumentArgument's document is not from its command line");
    Expect(document.find(u'"') == Text16::npos, "a document path holds a quote");

    // The open command as the setup registers it: the program's path, a space and the
    // document in quotes. A Windows path holds no quote.
    Text16 path;
    for (char16_t c : line)
        if (c != u'"' && c != 0)
            path += c;
    if (module.find(u'"') != Text16::npos || path.empty() || path.size() >= static_cast<size_t>(PathUnits))
        return;
    Expect(FindDocument(module + u" \"" + path + u"\"", module, &document) == 1 && document == path,
           "the document of the registered open command is missed");
    Expect(FindDocument(u"\"" + module + u"\" \"" + path + u"\"", module, &document) == 1 && document == path,
           "the document after a quoted program path is missed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Text16 texts[2];
    int current = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n' && current == 0) {
            current = 1;
        } else if (data[i] == 0xFF) {
            if (i + 2 < size)
                texts[current] += static_cast<char16_t>(data[i + 1] | data[i + 2] << 8);
            i += 2;
        } else {
            texts[current] += static_cast<char16_t>(data[i]);
        }
    }
    // The rules read terminated texts: a unit 0 ends one.
    for (Text16& text : texts)
        text.resize(std::char_traits<char16_t>::length(text.c_str()));
    CheckOptions(texts[0], texts[1]);
    CheckFinishArguments(texts[0], texts[1]);
    CheckPaths(texts[0], texts[1]);
    CheckDocument(texts[0], texts[1]);
    return 0;
}
