// A recording fake of the platform seam (core/platform.h) for the core's tests.
//
// fake_window.cpp holds the record below and the window side (progress display, page
// controls, status text, buttons); fake_platform.cpp adds files, folders, special folders,
// registry and shortcuts on top of it. Tests that exercise the real files, registry and
// shell link fake_window.cpp alone.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/platform.h"

// One call into the seam: its name and its arguments in order, texts as UTF-8, numbers in
// decimal, registry roots as "HKLM" / "HKCU", an open file as its path, a checked folder's
// child as folder\name (what the checked-folder calls reach is told by their names).
struct FakeCall {
    std::string Name;
    std::vector<std::string> Arguments;
};

struct FakeRegistryValue {
    std::string Root, Key, Name;
    std::u16string Text;
};

struct FakePlatformRecord {
    // ---- What happened ----------------------------------------------------------------
    std::vector<FakeCall> Calls;
    std::map<std::u16string, std::vector<unsigned char>> Files; // path -> content
    std::set<std::u16string> Folders;                           // existing folders
    std::vector<FakeRegistryValue> Registry;                    // in order of first write
    int OpenFiles;                                              // files opened and not yet closed
    int OpenFolders;                                            // checked folders not yet closed
    int RangeMaximum;                                           // last SetRange
    int Step;                                                   // last SetStep
    int Position; // progress bar position: steps since the bar was created
    int BarsCreated;

    // ---- What the page shows before SavePageFields ---------------------------------------
    std::u16string ProgramFolderEdit, DocumentsFolderEdit;
    int ProgramShortcutCheck, DocumentsShortcutCheck;

    // ---- Injected behaviour ---------------------------------------------------------------
    std::map<std::u16string, unsigned long> FolderErrors; // CreateFolder(path) returns this
    // ReadFolderAccess(path) gives this; a folder not listed reads as ProtectedFolderDescriptor.
    std::map<std::u16string, FolderAccess> FolderAccessLists;
    std::map<std::u16string, unsigned long> ProtectErrors; // ProtectFolder(path) returns this
    // Files that appear while ProtectFolder runs, as if added by somebody else just before.
    std::map<std::u16string, std::vector<unsigned char>> FilesAddedWhileProtecting;
    std::set<std::u16string> UnopenableFiles;
    std::set<std::u16string> InUseFiles;        // CheckReplaceable refuses them
    std::set<std::u16string> UnreadableFiles;   // exist, but OpenFileForReading fails
    std::set<std::u16string> RefusedMoves;      // MoveFileOver onto this path fails
    std::set<std::u16string> FailingWriteFiles; // every write to this file fails, writing nothing
    std::set<std::u16string> FailingCloseFiles;
    // A link, or a second name of a file elsewhere: OpenCheckedFolder and OpenCheckedChild
    // refuse these paths (folder, or folder\name) as CheckRedirected.
    std::set<std::u16string> RedirectedPaths;
    std::set<int> FailingRegistryWrites;          // 1-based numbers of WriteRegistryString calls
    std::map<int, std::u16string> SpecialFolders; // csidl -> path; a missing csidl fails
    int32_t ShellLinkResult;                      // returned by CreateShellLink when its arguments hold
};

extern FakePlatformRecord Fake;

// Empties the record and sets the defaults: no failures, the four special folders of a
// plain machine, an empty page with both check boxes ticked, a fresh WizardState.
void ResetFake();

// Appends a call to Fake.Calls (used by both halves of the fake).
void RecordCall(const char* name, std::vector<std::string> arguments);

std::string Utf8(const char16_t* text);
std::string Utf8(const std::u16string& text);
std::u16string Utf16(const std::string& text);

// The recorded calls of one name, in order, and how many there were.
std::vector<FakeCall> CallsNamed(const std::string& name);
int CountCalls(const std::string& name);
