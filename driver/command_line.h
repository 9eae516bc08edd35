#pragma once
#include <windows.h>

enum StartMode {
    START_SECOND_STAGE,
    START_RELOCATION,
    START_INSTALL,
};

// The mark by which the installed uninstaller knows itself; searched case-sensitively.
#define UNINSTALLER_MARK "uninst.exe"

// Any argument after the program name means second stage; otherwise the mark in
// the whole command line means relocation, and its absence install mode.
StartMode SelectStartMode(int argumentCount, const char* commandLine);

// Copies the command line's first token (quoted or up to the first blank) into
// packagePath. A token that does not fit leaves packagePath empty, so that it
// names no file, and yields 0; otherwise 1.
int TakePackagePath(const char* commandLine, char* packagePath, int size);

// The second stage's own form: argument 1 a process handle in decimal, argument 2
// the uninstaller's path, cut back to its folder. Anything else (too few arguments,
// a handle of value 0, a path that does not fit) yields 0 and must start nothing.
int ParseSecondStageArguments(int argumentCount, char** arguments, HANDLE* process,
                              char* uninstallFolder, int size);
