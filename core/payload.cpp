#include "payload.h"

#include "payload_format.h"
#include "registry_table.h"
#include "text.h"

namespace {
// Gives a replaced file's old handle time to go away (an antivirus scan or the shell
// still holding it) before the new one is written.
constexpr unsigned ReplaceDelayMilliseconds = 100;
// A test build writes straight over the target, as setups did before the temporary file:
// the interrupted-run tests show with it that they notice a file cut short.
#ifdef CORVALE_WRITE_IN_PLACE
constexpr bool WritesInPlace = true;
#else
constexpr bool WritesInPlace = false;
#endif

struct FileOutput {
    PlatformFile* File;
    ProgressSink* Sink;
    uint64_t Bytes;    // handed to the file so far
    uint32_t Checksum; // of those bytes
};

int WriteToFile(void* context, const unsigned char* bytes, size_t count) {
    FileOutput* output = static_cast<FileOutput*>(context);
    output->Bytes += count;
    output->Checksum = PayloadChecksumUpdate(output->Checksum, bytes, count);
    return WriteFileBytes(output->File, bytes, count);
}

void TickSink(void* context) {
    ProgressStepIt(static_cast<FileOutput*>(context)->Sink);
}

// The temporary file's path: target's folder, as it stands in target, and TemporaryFileName.
int ComposeTemporaryPath(char16_t* temporary, const char16_t* target) {
    char16_t folder[PathUnits] = {};
    int end = CopyText(folder, PathUnits, target);
    while (end > 0 && folder[end - 1] != u'\\')
        --end;
    if (end < 0)
        return -1;
    folder[end] = 0;
    return FormatText(temporary, PathUnits, u"%s%s", folder, TemporaryFileName) < 0 ? -1 : 0;
}

// An empty file holds nothing of anybody's (a run of an older setup that was ended while it
// wrote the file leaves one), so it counts as no file.
enum Comparison { SameAsPayload, DiffersFromPayload, NothingToKeep, Unreadable };

struct FileInput {
    PlatformFile* File;
    Comparison Found;
    int ReadAny; // a byte of the file has been read
};

// Compares decoded bytes with the next bytes of the file; stops the decoding at the first
// difference or read failure.
int CompareWithFile(void* context, const unsigned char* bytes, size_t count) {
    FileInput* input = static_cast<FileInput*>(context);
    unsigned char read[4096];
    while (count > 0) {
        size_t wanted = count < sizeof read ? count : sizeof read;
        size_t got = 0;
        while (got < wanted) {
            long piece = ReadFileBytes(input->File, read + got, wanted - got);
            if (piece <= 0) {
                input->Found = piece < 0                     ? Unreadable
                               : got == 0 && !input->ReadAny ? NothingToKeep
                                                             : DiffersFromPayload;
                return -1;
            }
            got += static_cast<size_t>(piece);
            input->ReadAny = 1;
        }
        for (size_t i = 0; i < wanted; ++i)
            if (read[i] != bytes[i]) {
                input->Found = DiffersFromPayload;
                return -1;
            }
        bytes += wanted;
        count -= wanted;
    }
    return 0;
}

// Whether the open file holds exactly what the blob decodes to; closes the file.
Comparison CompareWithPayload(PlatformFile* file, const unsigned char* blob, size_t blobBytes) {
    FileInput input = {file, SameAsPayload, 0};
    PayloadWriter writer = {CompareWithFile, nullptr, &input};
    if (DecodePayload(blob, blobBytes, &writer) == 0) {
        unsigned char beyond = 0;
        long more = ReadFileBytes(input.File, &beyond, 1);
        input.Found = more == 0 ? SameAsPayload : more < 0 ? Unreadable : DiffersFromPayload;
    }
    CloseReadFile(input.File);
    return input.Found;
}

// Whether the file at path holds exactly what the blob decodes to.
Comparison CompareFileWithPayload(const char16_t* path, const unsigned char* blob, size_t blobBytes) {
    int missing = 0;
    PlatformFile* file = OpenFileForReading(path, &missing);
    if (file == nullptr)
        return missing ? NothingToKeep : Unreadable;
    return CompareWithPayload(file, blob, blobBytes);
}

// A kept file gets its payload's ticks all the same.
void TickKeptFile(ProgressSink* sink, uint64_t ticks) {
    for (; sink != nullptr && ticks > 0; --ticks)
        ProgressStepIt(sink);
}
} // namespace

int ExtractPayload(const char16_t* target, const unsigned char* blob, size_t blobBytes,
                   const PayloadChecksum& recorded, ProgressSink* sink, ExistingFile existing) {
    uint64_t ticks = 0;
    char16_t temporary[PathUnits] = {};
    if (TextLength(target) > PathUnits - 1 || CheckPayload(blob, blobBytes, nullptr, &ticks) != 0 ||
        (WritesInPlace ? CopyText(temporary, PathUnits, target) < 0
                       : ComposeTemporaryPath(temporary, target) != 0))
        return -1;
    if (existing == KeepChanged) {
        // A file that can't be read can't be told unchanged: it is neither replaced nor
        // counted as written.
        Comparison found = CompareFileWithPayload(target, blob, blobBytes);
        if (found == Unreadable)
            return -1;
        if (found == DiffersFromPayload) {
            TickKeptFile(sink, ticks);
            return 0;
        }
    }
    PauseMilliseconds(ReplaceDelayMilliseconds);
    if (WritesInPlace)
        DeleteTargetFile(target);
    else if (CheckReplaceable(target) != 0)
        return -1;
    FileOutput output = {OpenFileForWriting(temporary), sink, 0, PayloadChecksumStart};
    if (output.File == nullptr)
        return -1;
    PayloadWriter writer = {WriteToFile, sink != nullptr ? TickSink : nullptr, &output};
    int decoded = DecodePayload(blob, blobBytes, &writer);
    int closed = CloseWrittenFile(output.File);
    // The blobs were checked at start; a file that still comes out other than the build
    // recorded it (a fault of the decoder, of memory) never replaces what is installed.
    int recordedFile = output.Bytes == recorded.FileBytes && output.Checksum == recorded.FileChecksum;
    if (decoded == 0 && closed == 0 && recordedFile &&
        (WritesInPlace || MoveFileOver(temporary, target) == 0))
        return 0;
    if (!WritesInPlace)
        DeleteTargetFile(temporary);
    return -1;
}

int ExtractCheckedPayload(CheckedFolder* folder, const char16_t* name, const unsigned char* blob,
                          size_t blobBytes, const PayloadChecksum& recorded, ProgressSink* sink,
                          ExistingFile existing) {
    uint64_t ticks = 0;
    if (CheckPayload(blob, blobBytes, nullptr, &ticks) != 0)
        return -1;
    // Opened for deleting as well as reading, the existing file is refused while another
    // program holds it without sharing deletion, as a move over it would be.
    CheckOutcome outcome = CheckFailed;
    PlatformFile* existingFile = OpenCheckedChild(folder, name, &outcome);
    if (outcome == CheckRedirected)
        return CheckRedirected;
    if (existingFile == nullptr && outcome != CheckMissing)
        return -1;
    if (existingFile != nullptr) {
        Comparison found =
            existing == KeepChanged ? CompareWithPayload(existingFile, blob, blobBytes) : SameAsPayload;
        if (existing != KeepChanged)
            CloseReadFile(existingFile);
        if (found == Unreadable)
            return -1;
        if (found == DiffersFromPayload) {
            TickKeptFile(sink, ticks);
            return 0;
        }
    }
    PauseMilliseconds(ReplaceDelayMilliseconds);
    if (WritesInPlace && DeleteCheckedName(folder, name) != 0)
        return -1;
    FileOutput output = {CreateCheckedChild(folder, WritesInPlace ? name : TemporaryFileName), sink, 0,
                         PayloadChecksumStart};
    if (output.File == nullptr)
        return -1;
    PayloadWriter writer = {WriteToFile, sink != nullptr ? TickSink : nullptr, &output};
    int decoded = DecodePayload(blob, blobBytes, &writer);
    int flushed = FlushCheckedChild(output.File);
    int recordedFile = output.Bytes == recorded.FileBytes && output.Checksum == recorded.FileChecksum;
    if (decoded == 0 && flushed == 0 && recordedFile &&
        (WritesInPlace || MoveCheckedChildOver(output.File, folder, name) == 0))
        return CloseWrittenFile(output.File);
    if (WritesInPlace) {
        CloseWrittenFile(output.File);
        return -1;
    }
    DeleteCheckedChild(output.File);
    return -1;
}

void RemoveTemporaryFile(const char16_t* folder) {
    char16_t temporary[PathUnits] = {};
    // A folder too long for the name held no temporary file of a run either.
    if (FormatText(temporary, PathUnits, FolderFileFormat, folder, TemporaryFileName) >= 0)
        DeleteTargetFile(temporary);
}
