#include "package/spellable_path.h"

// Look-alikes are what must not come out. A UTF-8 code page refuses that flag, and
// spells every letter anyway.
static DWORD ConversionFlags()
{
    return GetACP() == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
}

int AnsiSpellsWide(const char* ansi, const WCHAR* wide)
{
    WCHAR back[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, ansi, -1, back, MAX_PATH))
        return 0;
    // Compared code by code: lstrcmpW would take some distinct letters as equal.
    const WCHAR* left = back;
    while (*left && *left == *wide) {
        ++left;
        ++wide;
    }
    return *left == *wide;
}

int SpellInAnsi(const WCHAR* wide, char* ansi, int size)
{
    if (!WideCharToMultiByte(CP_ACP, ConversionFlags(), wide, -1, ansi, size, NULL, NULL)) {
        ansi[0] = '\0';
        return 0;
    }
    return AnsiSpellsWide(ansi, wide);
}

int SpellPath(const WCHAR* path, char* ansi, int size)
{
    if (SpellInAnsi(path, ansi, size))
        return 1;
    WCHAR shortForm[MAX_PATH];
    DWORD length = GetShortPathNameW(path, shortForm, MAX_PATH);
    // Where a volume keeps no short names the long ones come back, which fail again.
    if (length == 0 || length >= MAX_PATH || !SpellInAnsi(shortForm, ansi, size)) {
        ansi[0] = '\0';
        return 0;
    }
    return 1;
}

int RespellPath(char* ansiForm, int size, const WCHAR* realPath)
{
    return AnsiSpellsWide(ansiForm, realPath) || SpellPath(realPath, ansiForm, size);
}

DWORD GetSpellableTempPath(char* buffer, DWORD size)
{
    DWORD length = GetTempPathA(size, buffer);
    WCHAR realPath[MAX_PATH];
    DWORD realLength = GetTempPathW(MAX_PATH, realPath);
    // A folder that does not fit is reported as the ANSI call reports it.
    if (length == 0 || length >= size || realLength == 0 || realLength >= MAX_PATH)
        return length;
    return RespellPath(buffer, size, realPath) ? lstrlenA(buffer) : 0;
}

DWORD GetSpellableModuleFileName(char* buffer, DWORD size)
{
    DWORD length = GetModuleFileNameA(NULL, buffer, size);
    WCHAR realPath[MAX_PATH];
    DWORD realLength = GetModuleFileNameW(NULL, realPath, MAX_PATH);
    if (length == 0 || length >= size || realLength == 0 || realLength >= MAX_PATH
        || !RespellPath(buffer, size, realPath))
        return 0;
    return lstrlenA(buffer);
}
