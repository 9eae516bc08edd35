#include "driver/command_line.h"

#include <stdlib.h>
#include <string.h>

#include "package/ansi_text.h"

StartMode SelectStartMode(int argumentCount, const char* commandLine)
{
    if (argumentCount != 1)
        return START_SECOND_STAGE;
    return FindAnsiText(commandLine, UNINSTALLER_MARK) ? START_RELOCATION : START_INSTALL;
}

int TakePackagePath(const char* commandLine, char* packagePath, int size)
{
    // Only the blank separates here; a tab is an ordinary character.
    while (*commandLine == ' ')
        ++commandLine;
    char terminator = ' ';
    if (*commandLine == '"') {
        terminator = '"';
        ++commandLine;
    }
    int length = 0;
    while (commandLine[length] && commandLine[length] != terminator)
        length += AnsiCharSize(commandLine + length);
    if (length >= size) {
        packagePath[0] = '\0';
        return 0;
    }
    memcpy(packagePath, commandLine, length);
    packagePath[length] = '\0';
    return 1;
}

int ParseSecondStageArguments(int argumentCount, char** arguments, HANDLE* process,
                              char* uninstallFolder, int size)
{
    if (argumentCount < 3)
        return 0;
    int handleValue = atoi(arguments[1]);
    if (handleValue == 0)
        return 0;
    if (lstrlenA(arguments[2]) >= size)
        return 0;
    lstrcpyA(uninstallFolder, arguments[2]);
    char* lastBackslash = FindLastAnsiChar(uninstallFolder, '\\');
    if (lastBackslash)
        *lastBackslash = '\0';
    *process = (HANDLE)(INT_PTR)handleValue;
    return 1;
}
