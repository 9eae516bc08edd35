#pragma once
#include <windows.h>

// The three files that the split writes into one working folder.
struct WorkFilePaths {
    char cabinet[MAX_PATH];
    char uninstaller[MAX_PATH];
    char inf[MAX_PATH];
};

// Makes a new, empty folder with a unique "Vel" name in the temporary folder and
// puts its path into workFolder (MAX_PATH characters). Yields 1 when the folder
// was made; otherwise workFolder is left empty and the result is 0, so that
// nothing formed from it can name a file in the root or the current folder.
int CreateWorkFolder(char* workFolder);

// Forms the three file paths in workFolder. An empty folder or a path that would
// not fit leaves all three empty (a split into them fails) and yields 0.
int FormWorkFilePaths(const char* workFolder, WorkFilePaths* paths);

// Deletes the files of workFolder, never its subfolders, then tries to remove the
// folder itself. Yields 1 when the folder could be listed, 0 when not (an empty
// or overlong path is never listed).
int RemoveWorkFolder(const char* workFolder);
