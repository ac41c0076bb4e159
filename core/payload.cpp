#include "payload.h"

#include "payload_format.h"
#include "text.h"

namespace {
// Gives a replaced file's old handle time to go away (an antivirus scan or the shell
// still holding it) before the new one is created.
constexpr unsigned ReplaceDelayMilliseconds = 100;

struct FileOutput {
    PlatformFile* File;
    ProgressSink* Sink;
};

int WriteToFile(void* context, const unsigned char* bytes, size_t count) {
    return WriteFileBytes(static_cast<FileOutput*>(context)->File, bytes, count);
}

void TickSink(void* context) {
    ProgressStepIt(static_cast<FileOutput*>(context)->Sink);
}
} // namespace

int ExtractPayload(const char16_t* target, const unsigned char* blob, size_t blobBytes, ProgressSink* sink) {
    if (TextLength(target) > PathUnits - 1)
        return -1;
    if (CheckPayload(blob, blobBytes, nullptr, nullptr) != 0)
        return -1;
    DeleteTargetFile(target);
    PauseMilliseconds(ReplaceDelayMilliseconds);
    FileOutput output = {OpenFileForWriting(target), sink};
    if (output.File == nullptr)
        return -1;
    PayloadWriter writer = {WriteToFile, sink != nullptr ? TickSink : nullptr, &output};
    int decoded = DecodePayload(blob, blobBytes, &writer);
    int closed = CloseWrittenFile(output.File);
    return decoded == 0 && closed == 0 ? 0 : -1;
}
