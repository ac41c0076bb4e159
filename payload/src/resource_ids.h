// Resource ids of the installed programs, shared by their resource scripts and their code.
// Plain defines: windres reads this file too.
#pragma once

#define APPLICATION_ICON_ID 1   // the first icon group: what Explorer shows for the file
#define WELCOME_PICTURE_ID 2    // corvale.exe: the picture of the window without a document
#define SHIPPED_SAMPLE_ID 3     // uninst_corvale.exe: the sample ledger as the setup installs it
#define SHIPPED_SAMPLE_TYPE 256 // a numeric resource type of the program's own
