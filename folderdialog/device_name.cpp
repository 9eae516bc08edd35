#include "folderdialog/device_name.h"

#include <windows.h>

// Letters compared without regard to case, everything else exactly; only ASCII
// letters fold, so no byte of another code page can pass for one.
static int IsWord(const char* name, int length, const char* lowerWord)
{
    if (lstrlenA(lowerWord) != length)
        return 0;
    for (int i = 0; i < length; ++i) {
        char byte = name[i];
        if (byte >= 'A' && byte <= 'Z')
            byte = (char)(byte - 'A' + 'a');
        if (byte != lowerWord[i])
            return 0;
    }
    return 1;
}

// The number of a COM or LPT device: 1 to 9, or a superscript one, two or three,
// which Windows takes for the digit there; the byte is read in the ANSI code page.
static int IsDeviceNumber(char byte)
{
    if (byte >= '1' && byte <= '9')
        return 1;
    WCHAR letter;
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, &letter, 1) != 1)
        return 0;
    return letter == 0x00B9 || letter == 0x00B2 || letter == 0x00B3;
}

int IsReservedDeviceName(const char* name)
{
    // The stem: everything before the first dot, without the blanks that end it.
    int stemLength = 0;
    while (name[stemLength] && name[stemLength] != '.')
        ++stemLength;
    while (stemLength > 0 && name[stemLength - 1] == ' ')
        --stemLength;
    static const char* const DEVICES[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    for (const char* device : DEVICES) {
        if (IsWord(name, stemLength, device))
            return 1;
    }
    return stemLength == 4 && IsDeviceNumber(name[3])
        && (IsWord(name, 3, "com") || IsWord(name, 3, "lpt"));
}
