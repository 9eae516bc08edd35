#include "driver/second_stage.h"

#include "driver/command_line.h"
#include "package/inf_runner.h"

void RunSecondStage(int argumentCount, char** arguments)
{
    HANDLE uninstaller;
    char uninstallFolder[MAX_PATH];
    if (!ParseSecondStageArguments(argumentCount, arguments, &uninstaller, uninstallFolder,
                                   sizeof uninstallFolder))
        return;
    // The uninstaller must have ended before its own file is deleted.
    WaitForSingleObject(uninstaller, INFINITE);
    CloseHandle(uninstaller);
    // One removal at a time: an uninstaller started twice must not have two copies
    // deleting the same files at once. The later one then finds no install.inf.
    HANDLE removal = CreateMutexA(NULL, FALSE, REMOVAL_MUTEX_NAME);
    WaitForSingleObject(removal, INFINITE);
    RunInfSection(uninstallFolder, uninstallFolder, "DefaultUninstall");
    ReleaseMutex(removal);
    CloseHandle(removal);
}
