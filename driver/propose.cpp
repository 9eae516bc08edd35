#include "driver/propose.h"

#include <windows.h>
#include <string.h>

static const char UNINSTALL_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmor32";
static const char CURRENT_VERSION_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
static const char INF_UNINSTALL_MARK[] = ",InstallHinfSection DefaultUninstall";
static const char DEFAULT_PARENT[] = "c:\\progra~1";
static const char FOLDER_SUFFIX[] = "\\Velmor32";

// Reads a value as text into buffer (size bytes). A value that does not end with
// its terminating zero inside the buffer counts as unreadable: taking it would read
// past its data. The value's type is not looked at.
static int ReadValueText(const char* keyName, const char* valueName, char* buffer, DWORD size)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    DWORD length = size;
    LONG read = RegQueryValueExA(key, valueName, NULL, NULL, (BYTE*)buffer, &length);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || length == 0 || length > size || buffer[length - 1] != '\0') {
        buffer[0] = '\0';
        return 0;
    }
    return 1;
}

void FolderFromUninstallString(char* value, char* folder)
{
    char* lastBackslash;
    if (strstr(value, INF_UNINSTALL_MARK)) {
        // The mark holds a blank, so there always is a last blank.
        char* lastWord = strrchr(value, ' ') + 1;
        lastBackslash = strrchr(value, '\\');
        if (lastBackslash)
            *lastBackslash = '\0';
        lstrcpyA(folder, lastWord);
        return;
    }
    lastBackslash = strrchr(value, '\\');
    if (lastBackslash)
        *lastBackslash = '\0';
    lstrcpyA(folder, value);
}

void ProposeDestination(char* folder)
{
    char value[MAX_PATH];
    folder[0] = '\0';
    if (ReadValueText(UNINSTALL_KEY, "UninstallString", value, sizeof value))
        FolderFromUninstallString(value, folder);
    if (folder[0])
        return;
    if (!ReadValueText(CURRENT_VERSION_KEY, "ProgramFilesDir", folder, MAX_PATH) || !folder[0]
        || lstrlenA(folder) + lstrlenA(FOLDER_SUFFIX) >= MAX_PATH)
        lstrcpyA(folder, DEFAULT_PARENT);
    lstrcatA(folder, FOLDER_SUFFIX);
}
