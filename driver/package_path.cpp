#include "driver/package_path.h"

#include "driver/command_line.h"
#include "package/spellable_path.h"

int TakeWideFirstToken(const WCHAR* commandLine, WCHAR* token, int size)
{
    while (*commandLine == L' ')
        ++commandLine;
    WCHAR terminator = L' ';
    if (*commandLine == L'"') {
        terminator = L'"';
        ++commandLine;
    }
    int length = 0;
    while (commandLine[length] && commandLine[length] != terminator)
        ++length;
    if (length >= size) {
        token[0] = L'\0';
        return 0;
    }
    lstrcpynW(token, commandLine, length + 1);
    return 1;
}

int TakeSpellablePackagePath(const char* commandLine, const WCHAR* wideCommandLine,
                             char* packagePath, int size)
{
    // A token too long for the ANSI rule stays refused, whatever its letters.
    if (!TakePackagePath(commandLine, packagePath, size))
        return 0;
    WCHAR token[MAX_PATH];
    if (!TakeWideFirstToken(wideCommandLine, token, MAX_PATH)) {
        packagePath[0] = '\0';
        return 0;
    }
    return RespellPath(packagePath, size, token);
}
