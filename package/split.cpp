#include "package/split.h"

#include "package/layout.h"

#include <stdio.h>

#define SPLIT_BUFFER_SIZE 65536

static void CloseIfOpen(FILE* file)
{
    if (file)
        fclose(file);
}

// Copies exactly size bytes from source to target through buffer.
static int CopyPiece(char* buffer, FILE* source, FILE* target, size_t size)
{
    return fread(buffer, 1, size, source) == size && fwrite(buffer, 1, size, target) == size;
}

// Copies source to its end. Only the end of the file ends the copy well: a read
// error would otherwise pass a cut cabinet as complete.
static int CopyToEnd(char* buffer, FILE* source, FILE* target)
{
    for (;;) {
        size_t got = fread(buffer, 1, SPLIT_BUFFER_SIZE, source);
        if (got == 0)
            return !ferror(source);
        if (fwrite(buffer, 1, got, target) != got)
            return 0;
    }
}

int SplitPackage(const char* packagePath, const char* cabinetPath,
                 const char* uninstallerPath, const char* infPath)
{
    // msvcrt's fopen shares the file both ways: the package is the running image.
    FILE* package = fopen(packagePath, "rb");
    FILE* cabinet = fopen(cabinetPath, "wb");
    FILE* uninstaller = fopen(uninstallerPath, "wb");
    FILE* inf = fopen(infPath, "wb");
    if (!package || !cabinet || !uninstaller || !inf) {
        CloseIfOpen(package);
        CloseIfOpen(cabinet);
        CloseIfOpen(uninstaller);
        CloseIfOpen(inf);
        return 0;
    }
    // Every read and write is a whole piece or chunk: the streams' own buffers
    // would only copy each byte once more.
    setvbuf(package, NULL, _IONBF, 0);
    setvbuf(cabinet, NULL, _IONBF, 0);
    // One buffer for all three pieces, for the one split of the process.
    char buffer[SPLIT_BUFFER_SIZE];
    if (!CopyPiece(buffer, package, uninstaller, PACKAGE_IMAGE_SIZE)) {
        fclose(cabinet);
        fclose(package);
        fclose(uninstaller);
        fclose(inf);
        return 0;
    }
    fclose(uninstaller);
    if (!CopyPiece(buffer, package, inf, PACKAGE_INF_SIZE)) {
        fclose(cabinet);
        fclose(package);
        fclose(inf);
        return 0;
    }
    fclose(inf);
    int copied = CopyToEnd(buffer, package, cabinet);
    fclose(cabinet);
    fclose(package);
    return copied;
}
