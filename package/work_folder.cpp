#include "package/work_folder.h"

#include "package/layout.h"
#include "package/paths.h"
#include "package/spellable_path.h"

// The working folder's name, then a backslash and the longest of the files.
static const DWORD kLongestTempFolder =
    MAX_PATH - 1 - TEMP_FILE_NAME_LENGTH - 1 - (sizeof INF_FILE_NAME - 1);

int CreateWorkFolder(char* workFolder)
{
    char tempFolder[MAX_PATH];
    DWORD tempLength = GetSpellableTempPath(tempFolder, sizeof tempFolder);
    // The folder's name and the longest file the split writes into it must still fit:
    // a folder too long for its files or its listing pattern could never be emptied.
    if (tempLength == 0 || tempLength > kLongestTempFolder ||
        !GetTempFileNameA(tempFolder, "Vel", 0, workFolder)) {
        workFolder[0] = '\0';
        return 0;
    }
    DeleteFileA(workFolder);
    if (!CreateDirectoryA(workFolder, NULL)) {
        workFolder[0] = '\0';
        return 0;
    }
    return 1;
}

int FormWorkFilePaths(const char* workFolder, WorkFilePaths* paths)
{
    if (workFolder[0] != '\0' &&
        JoinPath(paths->cabinet, MAX_PATH, workFolder, CABINET_FILE_NAME) &&
        JoinPath(paths->uninstaller, MAX_PATH, workFolder, UNINSTALLER_FILE_NAME) &&
        JoinPath(paths->inf, MAX_PATH, workFolder, INF_FILE_NAME))
        return 1;
    paths->cabinet[0] = '\0';
    paths->uninstaller[0] = '\0';
    paths->inf[0] = '\0';
    return 0;
}

int RemoveWorkFolder(const char* workFolder)
{
    char pattern[MAX_PATH];
    // An empty folder would make the pattern "\*.*": the files of the drive's root.
    if (workFolder[0] == '\0' || !JoinPath(pattern, sizeof pattern, workFolder, "*.*"))
        return 0;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(pattern, &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return 0;
    do {
        char filePath[MAX_PATH];
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            JoinPath(filePath, sizeof filePath, workFolder, entry.cFileName))
            DeleteFileA(filePath);
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
    RemoveDirectoryA(workFolder);
    return 1;
}
