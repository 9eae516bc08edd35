#include "folderdialog/device_name.h"

// Compares ASCII letters without regard to case: a byte or'ed with 0x20 equals a
// lower-case letter only when it is that letter, so no code page can fake a match.
static int StartsWithWord(const char* name, const char* lowerWord)
{
    for (; *lowerWord; ++name, ++lowerWord) {
        if ((*name | 0x20) != *lowerWord)
            return 0;
    }
    return 1;
}

int IsReservedDeviceName(const char* name)
{
    // The stem: everything before the first dot, without the blanks that end it.
    int stemLength = 0;
    while (name[stemLength] && name[stemLength] != '.')
        ++stemLength;
    while (stemLength > 0 && name[stemLength - 1] == ' ')
        --stemLength;
    if (stemLength == 3)
        return StartsWithWord(name, "con") || StartsWithWord(name, "prn")
            || StartsWithWord(name, "aux") || StartsWithWord(name, "nul");
    if (stemLength == 4 && name[3] >= '1' && name[3] <= '9')
        return StartsWithWord(name, "com") || StartsWithWord(name, "lpt");
    return 0;
}
