#include "package/restart_deletion.h"

#include <windows.h>

#include "package/ansi_text.h"
#include "package/paths.h"

// Moves path to a new "Del" file beside it; yields 1 with the new name in aside
// (MAX_PATH characters). A folder without room for the temporary name is refused:
// Wine writes that name past the buffer.
static int MoveAside(const char* path, char* aside)
{
    char folder[MAX_PATH];
    if (lstrlenA(path) >= (int)sizeof folder)
        return 0;
    lstrcpyA(folder, path);
    char* lastBackslash = FindLastAnsiChar(folder, '\\');
    if (!lastBackslash || lastBackslash - folder + 1 + TEMP_FILE_NAME_LENGTH >= MAX_PATH)
        return 0;
    *lastBackslash = '\0';
    if (!GetTempFileNameA(folder, "Del", 0, aside))
        return 0;
    // A running program may be renamed, though not deleted; within its folder the
    // move is a rename, never a copy.
    if (MoveFileExA(path, aside, MOVEFILE_REPLACE_EXISTING))
        return 1;
    DeleteFileA(aside);
    return 0;
}

void DeleteAtRestart(const char* path)
{
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return;
    char aside[MAX_PATH];
    if (!MoveAside(path, aside)) {
        MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
        return;
    }
    // Without the right to schedule it, the file goes back under its own name rather
    // than stay under one that no user would recognise.
    if (!MoveFileExA(aside, NULL, MOVEFILE_DELAY_UNTIL_REBOOT))
        MoveFileExA(aside, path, 0);
}
