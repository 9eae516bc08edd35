#include "package/work_folder.h"

#include "package/layout.h"
#include "package/paths.h"

// "Vel", four hex digits and ".tmp", then a backslash and the longest of the files.
static const DWORD kLongestTempFolder = MAX_PATH - 1 - 11 - 1 - (sizeof INF_FILE_NAME - 1);

int CreateWorkFolder(char* workFolder)
{
    char tempFolder[MAX_PATH];
    DWORD tempLength = GetTempPathA(sizeof tempFolder, tempFolder);
    // The name GetTempFileNameA adds ("Vel", four hex digits, ".tmp") and the longest
    // file the split writes into it must still fit: Wine does not hold the call to its
    // documented MAX_PATH - 14 and writes names past a MAX_PATH buffer, and a folder
    // too long for its files or its listing pattern could never be emptied again.
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
