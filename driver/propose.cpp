#include "driver/propose.h"

#include <windows.h>
#include <string.h>

#include "folderdialog/validate.h"
#include "package/ansi_text.h"

static const char UNINSTALL_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmor32";
static const char CURRENT_VERSION_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
static const char INF_UNINSTALL_MARK[] = ",InstallHinfSection DefaultUninstall";
static const char FOLDER_SUFFIX[] = "\\Velmor32";
static const char DEFAULT_FOLDER[] = "c:\\progra~1\\Velmor32";

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

// A path that another tool quoted, perhaps with arguments after it: keeps what lies
// between the quotes, or everything after an opening quote that is never closed.
static void TakeQuotedPath(char* value)
{
    if (value[0] != '"')
        return;
    char* closingQuote = (char*)FindAnsiText(value + 1, "\"");
    if (closingQuote)
        *closingQuote = '\0';
    memmove(value, value + 1, lstrlenA(value + 1) + 1);
}

void FolderFromUninstallString(char* value, char* folder)
{
    char* lastBackslash;
    if (FindAnsiText(value, INF_UNINSTALL_MARK)) {
        // The mark holds a blank, so there always is a last blank.
        char* lastWord = FindLastAnsiChar(value, ' ') + 1;
        lastBackslash = FindLastAnsiChar(value, '\\');
        if (lastBackslash)
            *lastBackslash = '\0';
        lstrcpyA(folder, lastWord);
        return;
    }
    TakeQuotedPath(value);
    lastBackslash = FindLastAnsiChar(value, '\\');
    if (lastBackslash)
        *lastBackslash = '\0';
    lstrcpyA(folder, value);
}

// Ends text before the backslashes that end it ("C:\Program Files\", or a drive root
// such as "D:\" where Program Files was moved), so that joining the suffix gives one.
static void DropTrailingBackslashes(char* text)
{
    char* end = text + lstrlenA(text);
    while (end > text) {
        // In a double-byte code page a backslash byte can end a two-byte letter.
        char* last = CharPrevA(text, end);
        if (last + 1 != end || *last != '\\')
            return;
        *last = '\0';
        end = last;
    }
}

// "ProgramFilesDir" plus "\Velmor32", else the fixed default, so that the program
// never proposes a folder its own check refuses.
static void BuildDefaultFolder(char* folder)
{
    if (!ReadValueText(CURRENT_VERSION_KEY, "ProgramFilesDir", folder, MAX_PATH))
        folder[0] = '\0';
    DropTrailingBackslashes(folder);
    if (!folder[0] || lstrlenA(folder) + lstrlenA(FOLDER_SUFFIX) >= MAX_PATH) {
        lstrcpyA(folder, DEFAULT_FOLDER);
        return;
    }
    lstrcatA(folder, FOLDER_SUFFIX);
    if (CheckPath(folder, 1) != PATH_OK)
        lstrcpyA(folder, DEFAULT_FOLDER);
}

void ProposeDestination(char* folder)
{
    char value[MAX_PATH];
    folder[0] = '\0';
    if (ReadValueText(UNINSTALL_KEY, "UninstallString", value, sizeof value))
        FolderFromUninstallString(value, folder);
    // Another tool may have written the value in a form of its own: only a folder
    // that passes the program's own check is proposed.
    if (folder[0] && CheckPath(folder, 1) == PATH_OK)
        return;
    BuildDefaultFolder(folder);
}
