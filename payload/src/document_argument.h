// The document that corvale.exe is asked to show, read from its whole command line.
//
// The setup registers the open command as the program's path in quotes, a space and "%1"
// in quotes, and Windows hands that text on as the command line. Earlier setups registered
// the path unquoted: a path with spaces ("C:\Program Files\...") then does not read as one
// word by the usual rules, so the program's own path is recognised by comparing with where
// the program runs from.
#pragma once

// Finds the document in commandLine; modulePath is the program's own path (may be empty).
// After the program's name (quoted, or the module path written out, or the first word):
// the first quoted text, or else the rest of the line without the spaces around it.
// Returns 1 with the path in document (PathUnits units), 0 when there is none, -1 when
// it does not fit (document is then empty).
int FindDocumentArgument(const char16_t* commandLine, const char16_t* modulePath, char16_t* document);
