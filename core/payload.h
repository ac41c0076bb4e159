// Extraction of one embedded payload into its target file.
#pragma once

#include "platform.h"

// Decodes the blob into the file at target (a UTF-16 path of at most PathUnits - 1 units),
// replacing any file there, and ticks sink (may be null) as the format says.
// Returns 0, or -1 when the blob is malformed, the path is too long, the file can't be
// opened, or a write or the close fails. A malformed blob or a path that is too long
// touches nothing on disk.
int ExtractPayload(const char16_t* target, const unsigned char* blob, size_t blobBytes, ProgressSink* sink);
