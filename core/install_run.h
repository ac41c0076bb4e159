// The installation run: what showing the install page does.
#pragma once

#include "payload_format.h"
#include "registry_table.h"
#include "shortcut_table.h"

// The run's own progress steps, besides those of the extraction: one when the bar appears,
// one after the program folder, one after the files, then those of the registry writes and
// one for each shortcut entry, made or not. The packer checks the bar's range with it.
constexpr unsigned RunOwnTicks = 3 + RegistryStepCount() + ShortcutCount;

// Turns the two folders and the two shortcut choices of WizardState into an installed
// product, ticking the progress display, and ends with the congratulation or the first
// failure's message and the Close button. Sets WizardState.InstallFinished on success.
void InstallRun();

// The run's failure exit: removes the progress display, shows the formatted message
// ("%s" and "%d" as in FormatText) and the Close button.
void Fail(const char16_t* format, ...);

// Formats the outcome message into a buffer of StatusUnits units and shows it.
void ShowStatus(const char16_t* format, ...);
