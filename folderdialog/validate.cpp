#include "folderdialog/validate.h"

#include <windows.h>

#include "folderdialog/device_name.h"
#include "package/ansi_text.h"
#include "resources/messages.h"
#include "resources/resource.h"

static int IsEdgeByte(char byte)
{
    return byte == '\t' || byte == ' ' || byte == '.';
}

static int IsRefusedByte(char byte)
{
    for (const char* refused = "\"*/:<>?\\|"; *refused; ++refused)
        if (byte == *refused)
            return 1;
    return 0;
}

// The edge and refused signs are ASCII, which is never a lead byte: looking at the
// first byte of each character is enough, and the second byte of a double-byte
// character (often 0x5C or 0x7C) is never taken for a sign.
int IsValidPathComponent(const char* name)
{
    if (!name || lstrlenA(name) == 0 || IsEdgeByte(name[0]))
        return 0;
    // Creating such a level would reach the device instead of a folder.
    if (IsReservedDeviceName(name))
        return 0;
    const char* last = name;
    for (const char* character = name; *character; character += AnsiCharSize(character)) {
        if (IsRefusedByte(*character) || IsHalfAnsiChar(character))
            return 0;
        last = character;
    }
    return !IsEdgeByte(*last);
}

static int PathExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

int CheckPath(const char* path, int checkOnly)
{
    if (!path)
        return PATH_MALFORMED;
    // The working copy holds 259 characters; anything longer is refused before it is
    // copied, so a long text from the edit box can never run past the buffer.
    int length = lstrlenA(path);
    if (length >= MAX_PATH)
        return PATH_MALFORMED;
    char work[MAX_PATH];
    lstrcpyA(work, path);

    // Bytes from 0x80 up are no drive letters, whatever the code page says.
    unsigned char letter = (unsigned char)work[0] | 0x20;
    if (length < 3 || letter < 'a' || letter > 'z' || work[1] != ':' || work[2] != '\\')
        return PATH_MALFORMED;
    if (length == 3)
        return checkOnly || PathExists(work) ? PATH_OK : PATH_NOT_CREATED;

    char* name = work + 3;
    for (;;) {
        char* end = name;
        while (*end && *end != '\\')
            end += AnsiCharSize(end);
        int lastName = *end == 0;
        *end = 0;
        if (!IsValidPathComponent(name))
            return PATH_MALFORMED;
        if (!checkOnly) {
            // Fails for a level that is there already, which is fine: only the
            // existence afterwards counts.
            CreateDirectoryA(work, NULL);
            if (!PathExists(work))
                return PATH_NOT_CREATED;
        }
        if (lastName)
            return PATH_OK;
        *end = '\\';
        name = end + 1;
        if (!*name)
            return PATH_MALFORMED;
    }
}

int ValidateDestination(const char* path)
{
    // The program is built without exceptions: every non-zero code of CheckPath
    // falls through to the one place that explains it.
    int code = CheckPath(path, 1);
    if (code == PATH_OK) {
        if (PathExists(path))
            return PATH_OK;
        if (ShowPathMessage(IDS_FOLDER_MISSING, STYLE_QUESTION, path) != IDYES)
            return PATH_DECLINED;
        code = CheckPath(path, 0);
        if (code == PATH_OK)
            return PATH_OK;
    }
    ShowPathMessage(code == PATH_MALFORMED ? IDS_FOLDER_INVALID : IDS_FOLDER_NOT_CREATED,
                    STYLE_WARNING, path ? path : "");
    return code;
}
