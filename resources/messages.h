#pragma once
#include <windows.h>

// The three box styles of the program; no other flags are ever set.
#define STYLE_QUESTION (MB_YESNO | MB_ICONQUESTION)
#define STYLE_WARNING (MB_OK | MB_ICONEXCLAMATION)
#define STYLE_PLAIN MB_OK

// Every message box of the program: caption "Setup", no owner window, the text
// loaded from the message catalogue. Yields the button the user pressed.
int ShowMessage(UINT textId, UINT style);

// The same for the texts that hold one "%s" (6, 7, 8): the path takes its place.
// A path too long to fit beside the text is shortened visibly.
int ShowPathMessage(UINT textId, UINT style, const char* path);

// Puts the path into a format that holds exactly one "%s" and writes at most
// size - 1 characters and the terminator to text. A path too long for the room
// beside the format's own text keeps its drive and its end: "C:\...\lastfolder",
// or "C:\..." and as much of the end as fits. A format of any other shape is
// copied as it is, cut to the buffer. Yields the length of the result.
int FormatPathMessage(char* text, int size, const char* format, const char* path);
