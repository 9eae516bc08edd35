#include "package/ansi_text.h"

#include <windows.h>
#include <string.h>

int AnsiCharSize(const char* text)
{
    if (!*text)
        return 0;
    return IsDBCSLeadByte((BYTE)*text) && text[1] ? 2 : 1;
}

int IsHalfAnsiChar(const char* text)
{
    return *text && !text[1] && IsDBCSLeadByte((BYTE)*text);
}

const char* FindLastAnsiChar(const char* text, char wanted)
{
    const char* found = NULL;
    for (; *text; text += AnsiCharSize(text))
        if (*text == wanted)
            found = text;
    return found;
}

char* FindLastAnsiChar(char* text, char wanted)
{
    return (char*)FindLastAnsiChar((const char*)text, wanted);
}

const char* FindAnsiText(const char* text, const char* mark)
{
    size_t markLength = strlen(mark);
    for (;; text += AnsiCharSize(text)) {
        if (strncmp(text, mark, markLength) == 0)
            return text;
        if (!*text)
            return NULL;
    }
}

int AnsiCharStartFrom(const char* text, int offset)
{
    int start = 0;
    while (text[start] && start < offset)
        start += AnsiCharSize(text + start);
    return start;
}
