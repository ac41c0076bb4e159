// The seam between the installation core and the platform. The core reaches files,
// folders, the registry, shortcuts and the window only through these plain functions.
// The setup links the Win32 implementations (core/*_win.cpp, wizard/*_win.cpp); the core's
// tests link a recording fake instead (tests/core/fake_platform.cpp).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "folder_access.h"
#include "product.h"

// ---- Files and folders ----------------------------------------------------------------

struct PlatformFile; // an open file; what it is belongs to the implementation

// Deletes a file; the outcome is not reported (a missing or locked file is fine).
void DeleteTargetFile(const char16_t* path);
void PauseMilliseconds(unsigned milliseconds);
// 0 when no file of that name exists, or when the file could be replaced right now: it may
// be written, nobody holds it open without sharing deletion, and it is no running program's
// image. -1 otherwise. Asked before a replacement is written, so that a file in use is
// reported at once, and the same way on every system.
int CheckReplaceable(const char16_t* path);
// Creates or truncates the file for binary writing; null when it can't be opened.
PlatformFile* OpenFileForWriting(const char16_t* path);
// 0 when every byte was written, -1 otherwise.
int WriteFileBytes(PlatformFile* file, const unsigned char* bytes, size_t count);
// Flushes the written data to the disk and closes the file, in every case; 0 when all of it
// reached the disk, -1 otherwise.
int CloseWrittenFile(PlatformFile* file);
// Moves a file over another in the same folder in one step, replacing it: afterwards `to`
// is either what it was or what `from` was, never anything between. 0, or -1 when the
// move was refused (then both are as they were).
int MoveFileOver(const char16_t* from, const char16_t* to);
// Opens an existing file for reading, sharing it with every other opener. Null when it
// can't be opened; *missing then says whether no file of that name exists (1) or it exists
// and can't be read (0).
PlatformFile* OpenFileForReading(const char16_t* path, int* missing);
// Reads up to count bytes: how many were read, 0 at the end of the file, -1 on failure.
long ReadFileBytes(PlatformFile* file, unsigned char* bytes, size_t count);
void CloseReadFile(PlatformFile* file);

// Deletes the files of folder whose names are of the leftover pattern (LeftoverPrefix,
// hexadecimal digits, LeftoverSuffix; IsLeftoverName), and no other file.
void DeleteLeftoverFiles(const char16_t* folder);

// ---- Checked folders: writes and deletes that no link can redirect ------------------------
// The documents folder and the desktop belong to the user, who can put a link where the
// elevated setup writes or deletes. These calls work through one held handle of the folder
// and handles of its children opened relative to it, so a link is refused, never followed.

struct CheckedFolder; // an open folder handle and the path it was checked against
enum CheckOutcome { CheckPassed = 0, CheckMissing = 1, CheckRedirected = 2, CheckFailed = 3 };
// Opens an existing folder once (no delete sharing, so it can't be renamed or replaced while
// held) and checks through the handle that it is no reparse point and that its final path is
// the composed path (normalised: full path, long names, no trailing backslash, compared
// without case). Null with *outcome = CheckMissing / CheckRedirected / CheckFailed.
CheckedFolder* OpenCheckedFolder(const char16_t* path, CheckOutcome* outcome);
void CloseCheckedFolder(CheckedFolder* folder);
// Opens an existing child relative to the folder's handle without following a reparse point,
// for reading and deleting, shared for reading only; refused (CheckRedirected) when it is a
// reparse point, has more than one link, or its final path is not folder\name. What is
// compared through this handle is what is deleted.
PlatformFile* OpenCheckedChild(CheckedFolder* folder, const char16_t* name, CheckOutcome* outcome);
// Creates a new child for writing (never opens or truncates what is there), with delete
// access, shared for reading only. Null when the name exists or it can't be made.
PlatformFile* CreateCheckedChild(CheckedFolder* folder, const char16_t* name);
// Flushes a child written through WriteFileBytes, keeping it open: 0, or -1 when a write or
// the flush failed.
int FlushCheckedChild(PlatformFile* file);
// Renames the open child over folder\name by its handle, replacing what is there (a link there
// is replaced, never followed). 0 or -1.
int MoveCheckedChildOver(PlatformFile* file, CheckedFolder* folder, const char16_t* name);
// Deletes the open child through its own handle, then closes it. 0 or -1.
int DeleteCheckedChild(PlatformFile* file);
// Deletes folder\name if it exists and passes OpenCheckedChild's checks: 0 when gone or never
// there, CheckRedirected when it was a link or a second name (left alone), -1 otherwise.
int DeleteCheckedName(CheckedFolder* folder, const char16_t* name);
// Deletes the folder's files of the leftover pattern (IsLeftoverName) through DeleteCheckedName.
// 0, or CheckRedirected when one of them was left alone as a link or a second name.
int DeleteCheckedLeftovers(CheckedFolder* folder);
// The folder's path as it was checked (PathUnits units at most, terminator included).
const char16_t* CheckedFolderPath(const CheckedFolder* folder);

constexpr unsigned long ErrorAlreadyExists = 183;
// Creates the last component of the path. 0 on success, otherwise the system error code
// (ErrorAlreadyExists for an existing folder or file of that name).
unsigned long CreateFolder(const char16_t* path);

// The program folder's own calls. Each returns 0 or the system error code, never 0 for a
// failure.
// Creates the last component of the path with ProtectedFolderDescriptor as its owner and
// access list (ErrorAlreadyExists for an existing folder or file of that name).
unsigned long CreateProtectedFolder(const char16_t* path);
// Gives an existing folder ProtectedFolderDescriptor's owner and access list, dropping what it
// inherited from its parent; its files and subfolders inherit the new list.
unsigned long ProtectFolder(const char16_t* path);
// Summarises the folder's owner and access list; the installing user is InstallingUserSid.
unsigned long ReadFolderAccess(const char16_t* path, FolderAccess* access);
// 1 when the folder holds no file or folder at all; 0 when it holds one, or can't be listed.
int FolderIsEmpty(const char16_t* path);
// 1 when both paths name the same existing folder (asked of the file system, so another
// spelling, a short name or a link to it counts), 0 otherwise.
int SameFolder(const char16_t* a, const char16_t* b);

constexpr int CsidlProgramFiles = 38;
constexpr int CsidlPersonal = 5;
constexpr int CsidlCommonPrograms = 23;
constexpr int CsidlDesktopDirectory = 16;
// Fills path (PathUnits units) with the special folder; 0 on success, -1 with path empty.
int GetSpecialFolder(int csidl, char16_t* path);

// ---- Registry ---------------------------------------------------------------------------

enum RegistryRoot { LocalMachineRoot, CurrentUserRoot };
constexpr unsigned FolderBufferBytes = PathUnits * sizeof(char16_t);

// Creates or opens the key and stores text as REG_SZ with its terminator. 0 or -1.
int WriteRegistryString(RegistryRoot root, const char16_t* key, const char16_t* name, const char16_t* text);
// Reads a value into buffer (bufferBytes bytes). 0 or -1: a missing key or value, or a
// value larger than the buffer, fails. On success the text always ends within the buffer.
int ReadRegistryString(RegistryRoot root, const char16_t* key, const char16_t* name, char16_t* buffer,
                       unsigned bufferBytes);

// ---- Shortcuts --------------------------------------------------------------------------

constexpr int32_t ResultInvalidArgument = static_cast<int32_t>(0x80070057);
// The link file's folder is reached through a link, or its ~crv.tmp is one: nothing was
// written (the COM form of ERROR_STOPPED_ON_SYMLINK).
constexpr int32_t ResultReachedThroughLink = static_cast<int32_t>(0x800702A9);
constexpr int ShowNormal = 1;
// Writes one .lnk file through the shell-link object; a COM result code (0 on success,
// ResultInvalidArgument for bad arguments, checked before anything is created). The file is
// written through its checked folder (OpenCheckedFolder): a folder reached through a link is
// left alone (ResultReachedThroughLink), and a link at the file's name is replaced, never
// followed.
int32_t CreateShellLink(const char16_t* target, const char16_t* arguments, const char16_t* linkFile,
                        const char16_t* description, int showCommand, const char16_t* workingDirectory,
                        const char16_t* iconPath, int iconIndex);
// The argument rules of CreateShellLink, shared by every implementation: 0 when they
// hold, ResultInvalidArgument at the first one broken.
int32_t CheckShellLinkArguments(const char16_t* target, const char16_t* arguments, const char16_t* linkFile,
                                const char16_t* description, int showCommand,
                                const char16_t* workingDirectory, const char16_t* iconPath, int iconIndex);

// ---- The window side of the installation run --------------------------------------------

// The progress display that the run and the extraction tick.
struct ProgressSink {
    void* Bar;
};
void ProgressSetRange(ProgressSink* sink, int maximum); // minimum 0, 16-bit maximum
void ProgressSetStep(ProgressSink* sink, int step);
void ProgressStepIt(ProgressSink* sink);

void SavePageFields();        // folder page edits and check boxes into WizardState
void DestroyPageControls();   // every control held in the page slots
void ShowInstallingCaption(); // the page-2 caption in slot 104
void ShowBusyCursor();        // the application-starting cursor
ProgressSink CreateProgressBar();
void RemoveProgressDisplay(); // destroys the progress bar and the caption, clears both handles
void ShowStatusText(const char16_t* message); // creates or updates the status text, repaints
void ShowWebSiteButton();
void ShowCloseButton(); // creates the Close button and focuses it
