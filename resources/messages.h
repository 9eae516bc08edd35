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
