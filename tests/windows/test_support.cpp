#include "test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "core/product.h"
#include "core/win_text.h"
#include "payload_test_files.h"

namespace {
// The extended-length form, so that trees deeper than MAX_PATH can be listed and removed.
std::u16string Extended(const std::u16string& path) {
    return path.compare(0, 4, u"\\\\?\\") == 0 ? path : u"\\\\?\\" + path;
}

const char* const PayloadOriginals[] = {PAYLOAD_ORIGINALS};
static_assert(sizeof PayloadOriginals / sizeof PayloadOriginals[0] == PayloadCount,
              "one original a payload row");
} // namespace

std::u16string FromWide(const wchar_t* text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
    return folder + u"\\" + name;
}

std::u16string UnixPathOnWine(const char* unixPath) {
    std::u16string path = u"Z:";
    for (const char* p = unixPath; *p != 0; ++p)
        path += *p == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(*p));
    return path;
}

void RemoveTree(const std::u16string& folder) {
    std::u16string root = Extended(folder);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WideText((root + u"\\*").c_str()), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::u16string name = FromWide(found.cFileName);
            if (name == u"." || name == u"..")
                continue;
            std::u16string path = Join(root, name);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(WideText(path.c_str()), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(WideText(path.c_str()));
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(WideText(root.c_str()));
}

std::u16string MakeScratchFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::u16string base = FromWide(temp) + u"CorvaleSetupTests";
    CreateDirectoryW(WideText(base.c_str()), nullptr);
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    std::u16string folder = Join(base, std::u16string(name.begin(), name.end()));
    RemoveTree(folder);
    EXPECT_TRUE(CreateDirectoryW(WideText(folder.c_str()), nullptr)) << "scratch folder";
    return folder;
}

bool FileExists(const std::u16string& path) {
    DWORD attributes = GetFileAttributesW(WideText(path.c_str()));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::u16string& path) {
    DWORD attributes = GetFileAttributesW(WideText(path.c_str()));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadWholeFile(const std::u16string& path, std::string* bytes) {
    HANDLE file = CreateFileW(WideText(path.c_str()), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes->clear();
    char piece[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, piece, sizeof piece, &got, nullptr)) && got > 0)
        bytes->append(piece, got);
    CloseHandle(file);
    return ok;
}

bool WriteWholeFile(const std::u16string& path, const std::string& bytes) {
    HANDLE file = CreateFileW(WideText(path.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    return CloseHandle(file) && ok;
}

bool ReadPayloadOriginal(int row, std::string* bytes) {
    return ReadWholeFile(UnixPathOnWine(PayloadOriginals[row]), bytes);
}
