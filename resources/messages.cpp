#include "resources/messages.h"

#include "driver/instance.h"

static const char kCaption[] = "Setup";
static const char kEllipsis[] = "...";
static const int kEllipsisLength = 3;

// The characters the format produces besides its "%s", or -1 when it holds any
// other conversion: only then can the room for the path be known in advance.
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

// The path cut to room characters (room < its length): the drive, "...", and
// the last folder name, or as much of the path's end as fits.
static void ShortenPath(char* out, const char* path, int pathLength, int room)
{
    int head = (path[0] && path[1] == ':') ? (path[2] == '\\' ? 3 : 2) : 0;
    if (room < head + kEllipsisLength + 1)
        head = 0;
    int tailStart = pathLength - 1;
    while (tailStart > 0 && path[tailStart - 1] != '\\')
        --tailStart;
    // The backslash before the last name belongs to the tail ("C:\...\name").
    if (tailStart > 0)
        --tailStart;
    int keep = pathLength - tailStart;
    if (keep > room - head - kEllipsisLength)
        keep = room - head - kEllipsisLength;
    if (keep < 0) {
        out[0] = '\0';
        return;
    }
    lstrcpynA(out, path, head + 1);
    lstrcpyA(out + head, kEllipsis);
    lstrcpyA(out + head + kEllipsisLength, path + pathLength - keep);
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
