#include <stdlib.h>

#include "driver/command_line.h"
#include "driver/dll_search.h"
#include "driver/install.h"
#include "driver/instance.h"
#include "driver/package_path.h"
#include "driver/relocate.h"
#include "driver/second_stage.h"

// Before the runtime's own start-up work: seeding the stack guard already loads a
// cryptographic provider and its libraries, long before WinMain.
__attribute__((constructor(101))) static void RestrictDllSearchAtStart()
{
    RestrictDllSearch();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_hInstance = instance;
    const char* commandLine = GetCommandLineA();
    switch (SelectStartMode(__argc, commandLine)) {
    case START_SECOND_STAGE:
        RunSecondStage(__argc, __argv);
        break;
    case START_RELOCATION:
        RelocateUninstaller();
        break;
    case START_INSTALL: {
        char packagePath[MAX_PATH];
        TakeSpellablePackagePath(commandLine, GetCommandLineW(), packagePath, sizeof packagePath);
        RunInstall(instance, packagePath);
        break;
    }
    }
    return 0;
}
