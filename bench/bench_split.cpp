// bench_split.exe PACKAGE FOLDER [copy]
// Splits PACKAGE into FOLDER (which must exist) with the program's own
// SplitPackage and prints the time the call took, in milliseconds, measured
// inside the process so that Wine's process start stays out of the figure.
// With "copy" it times Wine's own CopyFileA of PACKAGE into FOLDER instead: one
// read and one write of the same bytes, measured the same way.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "package/layout.h"
#include "package/paths.h"
#include "package/split.h"

int main(int argc, char** argv)
{
    if (argc != 3 && !(argc == 4 && std::strcmp(argv[3], "copy") == 0)) {
        std::fprintf(stderr, "usage: bench_split.exe PACKAGE FOLDER [copy]\n");
        return 2;
    }
    char cabinet[MAX_PATH];
    char uninstaller[MAX_PATH];
    char inf[MAX_PATH];
    if (!JoinPath(cabinet, MAX_PATH, argv[2], CABINET_FILE_NAME) ||
        !JoinPath(uninstaller, MAX_PATH, argv[2], UNINSTALLER_FILE_NAME) ||
        !JoinPath(inf, MAX_PATH, argv[2], INF_FILE_NAME)) {
        std::fprintf(stderr, "folder path too long\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    int split = argc == 4 ? CopyFileA(argv[1], cabinet, FALSE)
                          : SplitPackage(argv[1], cabinet, uninstaller, inf);
    QueryPerformanceCounter(&end);
    double ms = (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
    std::printf("split=%d ms=%.3f\n", split, ms);
    return split ? 0 : 1;
}
