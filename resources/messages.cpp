#include "resources/messages.h"

#include "driver/instance.h"
#include "package/ansi_text.h"

static const char kCaption[] = "Setup";
static const char kEllipsis[] = "...";
static const int kEllipsisLength = 3;

// The characters the format produces besides its "%s", or -1 when it holds any
// other conversion: only then can the room for the path be known in advance.
// Read byte by byte, as wsprintfA reads its format: a '%' that this count skipped
// as the second byte of a character would still be a conversion there.
static int TextBesidePath(const char* format)
{
    int placeholders = 0;
    int length = 0;
    for (const char* c = format; *c; ++c, ++length) {
        if (*c != '%')
            continue;
        if (c[1] != 's' || ++placeholders > 1)
            return -1;
        ++c;
        --length;
    }
    return placeholders == 1 ? length : -1;
}

// Where the path's last name begins, with the backslash before it ("C:\...\name");
// a backslash that ends the path does not count. 0 when there is none.
static int LastNameStart(const char* path)
{
    int start = 0;
    for (const char* character = path; *character; character += AnsiCharSize(character))
        if (*character == '\\' && character[1])
            start = (int)(character - path);
    return start;
}

// The path cut to room characters (room < its length): the drive, "...", and
// the last folder name, or as much of the path's end as fits. The end kept
// begins with a whole character.
static void ShortenPath(char* out, const char* path, int pathLength, int room)
{
    int head = (path[0] && path[1] == ':') ? (path[2] == '\\' ? 3 : 2) : 0;
    if (room < head + kEllipsisLength + 1)
        head = 0;
    int keep = pathLength - LastNameStart(path);
    if (keep > room - head - kEllipsisLength)
        keep = room - head - kEllipsisLength;
    if (keep < 0) {
        out[0] = '\0';
        return;
    }
    lstrcpynA(out, path, head + 1);
    lstrcpyA(out + head, kEllipsis);
    lstrcpyA(out + head + kEllipsisLength, path + AnsiCharStartFrom(path, pathLength - keep));
}

int FormatPathMessage(char* text, int size, const char* format, const char* path)
{
    if (size <= 0)
        return 0;
    int beside = TextBesidePath(format);
    if (beside < 0 || beside > size - 1) {
        lstrcpynA(text, format, size);
        return lstrlenA(text);
    }
    int room = size - 1 - beside;
    int pathLength = lstrlenA(path);
    if (pathLength <= room)
        return wsprintfA(text, format, path);
    char shortPath[MAX_PATH];
    if (room > MAX_PATH - 1)
        room = MAX_PATH - 1;
    ShortenPath(shortPath, path, pathLength, room);
    return wsprintfA(text, format, shortPath);
}

int ShowMessage(UINT textId, UINT style)
{
    char text[MAX_PATH];
    if (LoadStringA(g_hInstance, textId, text, sizeof text) <= 0)
        text[0] = '\0';
    return MessageBoxA(NULL, text, kCaption, style);
}

int ShowPathMessage(UINT textId, UINT style, const char* path)
{
    char format[MAX_PATH];
    char text[MAX_PATH];
    if (LoadStringA(g_hInstance, textId, format, sizeof format) <= 0)
        format[0] = '\0';
    FormatPathMessage(text, sizeof text, format, path);
    return MessageBoxA(NULL, text, kCaption, style);
}
