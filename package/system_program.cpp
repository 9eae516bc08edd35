#include "package/system_program.h"

#include <windows.h>

typedef UINT(WINAPI* FolderQuery)(LPSTR, UINT);

static int StartFromFolder(FolderQuery queryFolder, const char* fileName, const char* arguments)
{
    char folder[MAX_PATH];
    UINT folderLength = queryFolder(folder, sizeof folder);
    if (folderLength == 0 || folderLength >= sizeof folder)
        return 0;
    // Two quotes, a backslash, a blank and the terminator besides the three texts.
    char commandLine[2 * MAX_PATH];
    if ((int)folderLength + lstrlenA(fileName) + lstrlenA(arguments) + 5 > (int)sizeof commandLine)
        return 0;
    // Quoted, so that a folder with a blank in it cannot name a shorter program.
    wsprintfA(commandLine, "\"%s\\%s\" %s", folder, fileName, arguments);
    // WinExec reports success with a value above 31.
    return WinExec(commandLine, SW_SHOW) > 31;
}

int StartSystemProgram(const char* fileName, const char* arguments)
{
    return StartFromFolder(GetSystemDirectoryA, fileName, arguments)
        || StartFromFolder(GetWindowsDirectoryA, fileName, arguments);
}
