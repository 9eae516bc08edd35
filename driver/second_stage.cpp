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
    RunInfSection(uninstallFolder, uninstallFolder, "DefaultUninstall");
}
