#pragma once
#include <windows.h>

// The program works with narrow (ANSI) paths. A name from the system that holds a
// letter the ANSI code page lacks comes back from an ANSI call as "?" or as a
// look-alike ("Łódź" as "Lódz"), which names no file or another one. These turn the
// real, wide name into a narrow form that names the same file or folder.

// 1 when ansi converts back to exactly wide: ansi then names what wide names.
int AnsiSpellsWide(const char* ansi, const WCHAR* wide);

// Converts wide into ansi (size characters) without look-alikes: a letter the code
// page lacks becomes "?", which no file name can hold. Yields 1 when every letter
// came through; else 0, with the "?" form, or ansi empty when it does not fit.
int SpellInAnsi(const WCHAR* wide, char* ansi, int size);

// The narrow form of an existing path that names the same file or folder: the path
// itself where the code page spells it, else its short (8.3) form where that is
// spelt and fits. Yields 0 with ansi empty when there is none, as on a volume
// without short names.
int SpellPath(const WCHAR* path, char* ansi, int size);

// Keeps ansiForm (what an ANSI call gave, size characters) where it spells realPath
// (what the matching wide call gave); else replaces it as SpellPath does. Yields 0
// with ansiForm empty when no narrow form names the path.
int RespellPath(char* ansiForm, int size, const WCHAR* realPath);

// GetTempPathA, with a temporary folder that the code page cannot spell given in its
// short form. Yields the length as GetTempPathA does (more than size when it does
// not fit), or 0 when the folder has no narrow form.
DWORD GetSpellableTempPath(char* buffer, DWORD size);

// GetModuleFileNameA for the running program, respelt the same way. Yields the
// length, or 0 when the path does not fit in size or has no narrow form.
DWORD GetSpellableModuleFileName(char* buffer, DWORD size);
