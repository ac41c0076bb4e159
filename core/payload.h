// Extraction of one embedded payload into its target file.
#pragma once

#include "payload_format.h"
#include "platform.h"

// What becomes of a file that already stands at the target.
enum ExistingFile {
    ReplaceExisting,
    // A file that differs from the payload was changed by its owner and stays as it is.
    KeepChanged,
};

// Decodes the blob into the file at target (a UTF-16 path of at most PathUnits - 1 units)
// and ticks sink (may be null) as the format says. The content is written whole under the
// folder's TemporaryFileName, flushed, and only then moved over the target in one step, so
// the target holds its old file or the new one, never a part; and only when what was
// written has the size and checksum the build recorded for the file (`recorded`). A kept
// file gets the payload's ticks all the same.
// Returns 0, or -1 when the blob is malformed, the path is too long, the target is in use,
// the file can't be written or moved into place, or what was written is not the recorded
// file; the target is then as it was and the temporary file is gone. A malformed blob or a
// path that is too long touches nothing.
int ExtractPayload(const char16_t* target, const unsigned char* blob, size_t blobBytes,
                   const PayloadChecksum& recorded, ProgressSink* sink,
                   ExistingFile existing = ReplaceExisting);

// The same into folder\name, through the checked folder's handles alone: the existing file is
// opened and compared without following a link, the content is written into a new
// TemporaryFileName, flushed, checked and renamed over the name by its handle, or deleted
// by its handle when anything failed. Returns 0 or -1 as ExtractPayload does, or
// CheckRedirected when the file at the name is a link or has a second name: then nothing
// was written or deleted.
int ExtractCheckedPayload(CheckedFolder* folder, const char16_t* name, const unsigned char* blob,
                          size_t blobBytes, const PayloadChecksum& recorded, ProgressSink* sink,
                          ExistingFile existing);

// Removes the temporary file that a run which was ended part-way may have left in folder.
void RemoveTemporaryFile(const char16_t* folder);
