#pragma once
#include <windows.h>

// Size of the temporary copy's command line, terminator included.
#define SECOND_STAGE_COMMAND_LINE_SIZE 512

// Forms the temporary copy's command line: its own path in quotes (a temporary
// folder may hold blanks), the uninstaller's process handle in decimal, and the
// uninstaller's path in quotes. Yields 0, leaving nothing to start, when it does
// not fit in size characters.
int FormatSecondStageCommandLine(char* commandLine, int size, const char* copyPath,
                                 HANDLE uninstaller, const char* uninstallerPath);

// Started as the installed uninst.exe: hands the removal to a temporary copy of
// the program that waits for this process to end, then ends.
void RelocateUninstaller();
