// The progress side of the window for tests that extract without the wizard: a sink's Bar
// points at an int that counts the ticks.
#include "core/platform.h"

void ProgressSetRange(ProgressSink*, int) {}

void ProgressSetStep(ProgressSink*, int) {}

void ProgressStepIt(ProgressSink* sink) {
    ++*static_cast<int*>(sink->Bar);
}
