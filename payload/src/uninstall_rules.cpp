#include "uninstall_rules.h"

#include "core/text.h"
#include "corvale_names.h"

#include "path_text.h"

namespace {

// Moves past a run of separators, or one other unit.
const char16_t* NextPathUnit(const char16_t* p) {
    if (!IsSeparator(*p))
        return p + 1;
    while (IsSeparator(*p))
        ++p;
    return p;
}

} // namespace

UninstallOptions ReadUninstallOptions(const char16_t* commandLine) {
    UninstallOptions options = {0};
    int end = TextLength(commandLine);
    while (end > 0 && IsSpace(commandLine[end - 1]))
        --end;
    if (end >= 3 && commandLine[end - 2] == u'/' && Folded(commandLine[end - 1]) == u'S' &&
        (IsSpace(commandLine[end - 3]) || commandLine[end - 3] == u'"'))
        options.Silent = 1;
    return options;
}

int ComposeFinishArguments(char16_t* out, int capacity, uint32_t processHandle, uint32_t copyHandle,
                           const char16_t* image) {
    if (processHandle > 0x7FFFFFFFu || copyHandle > 0x7FFFFFFFu) {
        if (capacity > 0)
            out[0] = 0;
        return -1;
    }
    return FormatText(out, capacity, u"%d %d %s", static_cast<int>(processHandle),
                      static_cast<int>(copyHandle), image);
}

namespace {

// One handle number and the space after it; the text after it, or null.
const char16_t* ReadHandleNumber(const char16_t* p, uint32_t* handle) {
    uint64_t value = 0; // a tenth digit can carry it past 32 bits
    int digits = 0;
    for (; *p >= u'0' && *p <= u'9'; ++p, ++digits) {
        if (digits == 10)
            return nullptr;
        value = value * 10 + static_cast<uint64_t>(*p - u'0');
        if (value > 0x7FFFFFFFu)
            return nullptr;
    }
    if (digits == 0 || *p != u' ')
        return nullptr;
    *handle = static_cast<uint32_t>(value);
    return p + 1;
}

} // namespace

int ParseFinishArguments(const char16_t* arguments, uint32_t* processHandle, uint32_t* copyHandle,
                         char16_t* image) {
    image[0] = 0;
    uint32_t process = 0, copy = 0;
    const char16_t* p = ReadHandleNumber(arguments, &process);
    p = p != nullptr ? ReadHandleNumber(p, &copy) : nullptr;
    if (p == nullptr || *p == 0 || CopyText(image, PathUnits, p) < 0)
        return -1;
    *processHandle = process;
    *copyHandle = copy;
    return 0;
}

int SamePath(const char16_t* a, const char16_t* b) {
    while (*a != 0 && *b != 0) {
        if (IsSeparator(*a) != IsSeparator(*b))
            return 0;
        if (!IsSeparator(*a) && Folded(*a) != Folded(*b))
            return 0;
        a = NextPathUnit(a);
        b = NextPathUnit(b);
    }
    // What is left of either may only be a trailing separator run.
    while (IsSeparator(*a))
        ++a;
    while (IsSeparator(*b))
        ++b;
    return *a == 0 && *b == 0;
}

int FolderOfPath(const char16_t* path, char16_t* folder) {
    folder[0] = 0;
    int last = -1;
    for (int i = 0; path[i] != 0; ++i)
        if (path[i] == u'\\')
            last = i;
    if (last <= 0 || last >= PathUnits)
        return -1;
    for (int i = 0; i < last; ++i)
        folder[i] = path[i];
    folder[last] = 0;
    return 0;
}
