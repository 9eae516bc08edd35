#pragma once
#include <windows.h>

// The command line's first token, by the same rule as TakePackagePath, from the wide
// command line into token (size characters). Yields 0 with token empty when it does
// not fit.
int TakeWideFirstToken(const WCHAR* commandLine, WCHAR* token, int size);

// The package path as TakePackagePath takes it from commandLine (GetCommandLineA),
// unless that does not spell the token of wideCommandLine (GetCommandLineW), the
// real name: then its short form, or empty when it has none, so that it names no file.
int TakeSpellablePackagePath(const char* commandLine, const WCHAR* wideCommandLine,
                             char* packagePath, int size);
