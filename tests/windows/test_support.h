// Helpers shared by the Windows-side tests: scratch folders under the user's temp folder,
// whole-file reads and writes by UTF-16 path, and the packed payloads' original files.
#pragma once

#include <string>

// A fresh, empty folder for the running test: %TEMP%\CorvaleSetupTests\<suite>.<test>.
// Any leftover of an earlier run is removed first.
std::u16string MakeScratchFolder();
// Removes a folder and everything in it; works for paths longer than MAX_PATH.
void RemoveTree(const std::u16string& folder);

std::u16string Join(const std::u16string& folder, const std::u16string& name);
// Unit-for-unit conversion of the system's wide text.
std::u16string FromWide(const wchar_t* text);
// A Unix path as Wine shows it on its drive Z:, which maps the Unix root.
std::u16string UnixPathOnWine(const char* unixPath);

bool FileExists(const std::u16string& path);
bool FolderExists(const std::u16string& path);
// Reads a whole file; false when it can't be opened or read.
bool ReadWholeFile(const std::u16string& path, std::string* bytes);
// Creates or replaces a file with the bytes; false on any failure.
bool WriteWholeFile(const std::u16string& path, const std::string& bytes);

// The original (unpacked) file of payload row `row` (0 to 4), read through Wine's drive Z:.
bool ReadPayloadOriginal(int row, std::string* bytes);
