// bench_phases.exe PACKAGE DESTINATION
// Runs the program's install phase on PACKAGE step by step, with the program's own
// functions, and times each step inside the process (QueryPerformanceCounter), so
// that the install phase splits into whose time it is:
//   split    SplitPackage into a fresh working folder            (the program's)
//   extract  SetupIterateCabinet unpacking every file of the split
//            cabinet into a scratch folder, with no file queue   (Wine's cabinet code)
//   setupapi RunInfSection "DefaultInstall" into DESTINATION:
//            the Setup API's work, then grpconv started          (Wine's, then ours)
//   cleanup  RemoveWorkFolder                                    (the program's)
// Prints one line: "ok=1 split=MS setupapi=MS extract=MS cleanup=MS files=N".
// The extraction runs before the install, on the same warm cabinet, so that
// grpconv, which the install starts, does not run beside it.
#include <windows.h>
#include <setupapi.h>

#include <cstdio>

#include "package/inf_runner.h"
#include "package/paths.h"
#include "package/split.h"
#include "package/work_folder.h"

struct Clock {
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    Clock()
    {
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
    }
    double Lap()
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        double ms = (now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
        start = now;
        return ms;
    }
};

struct Extraction {
    char folder[MAX_PATH];
    unsigned files;
    bool failed;
};

// Unpacks every file the cabinet offers into the extraction's folder.
static UINT CALLBACK ExtractEveryFile(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR)
{
    Extraction* extraction = static_cast<Extraction*>(context);
    if (notification == SPFILENOTIFY_FILEINCABINET) {
        FILE_IN_CABINET_INFO_A* info = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
        if (!JoinPath(info->FullTargetName, MAX_PATH, extraction->folder, info->NameInCabinet)) {
            extraction->failed = true;
            return FILEOP_ABORT;
        }
        return FILEOP_DOIT;
    }
    if (notification == SPFILENOTIFY_FILEEXTRACTED) {
        const FILEPATHS_A* paths = reinterpret_cast<const FILEPATHS_A*>(param1);
        if (paths->Win32Error != NO_ERROR)
            extraction->failed = true;
        else
            ++extraction->files;
    }
    return NO_ERROR;
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_phases.exe PACKAGE DESTINATION\n");
        return 2;
    }
    char workFolder[MAX_PATH];
    WorkFilePaths files;
    Extraction extraction = {};
    if (!CreateWorkFolder(workFolder) || !FormWorkFilePaths(workFolder, &files) ||
        !CreateWorkFolder(extraction.folder)) {
        std::fprintf(stderr, "cannot make the working folders (%lu)\n", GetLastError());
        return 1;
    }
    Clock clock;
    int ok = SplitPackage(argv[1], files.cabinet, files.uninstaller, files.inf);
    double split = clock.Lap();
    ok = ok && SetupIterateCabinetA(files.cabinet, 0, ExtractEveryFile, &extraction) &&
         !extraction.failed;
    double extract = clock.Lap();
    RemoveWorkFolder(extraction.folder);
    clock.Lap();
    ok = ok && RunInfSection(workFolder, argv[2], "DefaultInstall");
    double setupApi = clock.Lap();
    RemoveWorkFolder(workFolder);
    double cleanup = clock.Lap();
    std::printf("ok=%d split=%.3f setupapi=%.3f extract=%.3f cleanup=%.3f files=%u\n", ok, split,
                setupApi, extract, cleanup, extraction.files);
    return ok ? 0 : 1;
}
