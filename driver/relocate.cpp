#include "driver/relocate.h"

#include "package/paths.h"
#include "package/spellable_path.h"

int FormatSecondStageCommandLine(char* commandLine, int size, const char* copyPath,
                                 HANDLE uninstaller, const char* uninstallerPath)
{
    // Two pairs of quotes, two blanks, at most 11 characters of a signed int, the zero.
    if (lstrlenA(copyPath) + lstrlenA(uninstallerPath) + 4 + 2 + 11 + 1 > size)
        return 0;
    // Handles are printed as the second stage reads them back: a signed decimal int.
    wsprintfA(commandLine, "\"%s\" %d \"%s\"", copyPath, (int)(INT_PTR)uninstaller,
              uninstallerPath);
    return 1;
}

#define LONGEST_TEMP_FOLDER (MAX_PATH - 1 - TEMP_FILE_NAME_LENGTH)

// Copies the running program to a new "Del" file in the temporary folder. A path
// that does not fit or that no narrow name reaches, or a copy that is not whole,
// yields 0: started, it would remove the wrong folder or nothing at all.
static int MakeTemporaryCopy(char* ownPath, char* copyPath)
{
    DWORD ownLength = GetSpellableModuleFileName(ownPath, MAX_PATH);
    DWORD tempLength = GetSpellableTempPath(copyPath, MAX_PATH);
    if (ownLength == 0 || ownLength >= MAX_PATH || tempLength == 0
        || tempLength > LONGEST_TEMP_FOLDER || !GetTempFileNameA(copyPath, "Del", 0, copyPath))
        return 0;
    if (!CopyFileA(ownPath, copyPath, FALSE)) {
        DeleteFileA(copyPath);
        return 0;
    }
    return 1;
}

void RelocateUninstaller()
{
    char ownPath[MAX_PATH];
    char copyPath[MAX_PATH];
    if (!MakeTemporaryCopy(ownPath, copyPath))
        return;
    // The system deletes the copy once this, its only handle, and the copy's own
    // image are gone; without security attributes the handle is not inherited.
    HANDLE deleteOnClose = CreateFileA(copyPath, 0, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                       FILE_FLAG_DELETE_ON_CLOSE, NULL);
    HANDLE ownProcess = OpenProcess(SYNCHRONIZE, TRUE, GetCurrentProcessId());

    char commandLine[SECOND_STAGE_COMMAND_LINE_SIZE];
    STARTUPINFOA startup;
    PROCESS_INFORMATION started;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (FormatSecondStageCommandLine(commandLine, sizeof commandLine, copyPath, ownProcess,
                                     ownPath)
        && CreateProcessA(NULL, commandLine, NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                          &started))
        WaitForSingleObject(started.hProcess, 1000);

    CloseHandle(ownProcess);
    CloseHandle(deleteOnClose);
}
