#include "package/paths.h"

#include <windows.h>

int JoinPath(char* path, int size, const char* folder, const char* name)
{
    int folderLength = lstrlenA(folder);
    if (folderLength + 1 + lstrlenA(name) >= size) {
        path[0] = '\0';
        return 0;
    }
    lstrcpyA(path, folder);
    path[folderLength] = '\\';
    lstrcpyA(path + folderLength + 1, name);
    return 1;
}
