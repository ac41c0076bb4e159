#include "document_argument.h"

#include "core/product.h"

#include "path_text.h"

namespace {

// When text starts with path (ASCII letters in any case, runs of separators alike) and a
// space or the end follows, the unit after it; otherwise null.
const char16_t* AfterPath(const char16_t* text, const char16_t* path) {
    if (*path == 0)
        return nullptr;
    while (*path != 0) {
        if (IsSeparator(*path) && IsSeparator(*text)) {
            while (IsSeparator(*path))
                ++path;
            while (IsSeparator(*text))
                ++text;
            continue;
        }
        if (Folded(*path) != Folded(*text))
            return nullptr;
        ++path;
        ++text;
    }
    return *text == 0 || IsSpace(*text) ? text : nullptr;
}

const char16_t* AfterProgramName(const char16_t* line, const char16_t* modulePath) {
    if (*line == u'"') {
        ++line;
        while (*line != 0 && *line != u'"')
            ++line;
        return *line == u'"' ? line + 1 : line;
    }
    const char16_t* after = AfterPath(line, modulePath);
    if (after != nullptr)
        return after;
    while (*line != 0 && !IsSpace(*line))
        ++line;
    return line;
}

} // namespace

int FindDocumentArgument(const char16_t* commandLine, const char16_t* modulePath, char16_t* document) {
    document[0] = 0;
    const char16_t* rest = AfterProgramName(commandLine, modulePath);
    const char16_t* start = rest;
    while (*start != 0 && *start != u'"')
        ++start;
    const char16_t* end;
    if (*start == u'"') {
        end = ++start;
        while (*end != 0 && *end != u'"')
            ++end;
    } else {
        start = rest;
        while (IsSpace(*start))
            ++start;
        end = start;
        while (*end != 0)
            ++end;
        while (end > start && IsSpace(end[-1]))
            --end;
    }
    if (end == start)
        return 0;
    if (end - start >= PathUnits)
        return -1;
    int length = 0;
    for (const char16_t* p = start; p < end; ++p)
        document[length++] = *p;
    document[length] = 0;
    return 1;
}
