#include "package/inf_runner.h"

#include "package/layout.h"
#include "package/paths.h"
#include "package/queue_watch.h"
#include "package/restart_deletion.h"
#include "package/system_program.h"

// The five flags of the original SPINST_ALL: INI files, registry and files. Current
// headers give SPINST_ALL more bits, whose directives the package must not run.
#define PACKAGE_INSTALL_FLAGS 0x1F

UINT CALLBACK InfQueueCallback(PVOID context, UINT notification, UINT_PTR param1,
                               UINT_PTR param2)
{
    QueueWatch* watch = (QueueWatch*)context;
    UINT answer =
        SetupDefaultQueueCallbackA(watch->defaultContext, notification, param1, param2);
    answer = NoteQueueAnswer(watch, notification, answer);
    // A deletion given up (a running program, a file held open) would leave its file
    // behind with nothing left to remove it.
    if (notification == SPFILENOTIFY_DELETEERROR && answer == FILEOP_SKIP)
        DeleteAtRestart(((const FILEPATHS_A*)param1)->Target);
    return answer;
}

int RunInfSection(const char* sourceRoot, const char* destinationFolder, const char* sectionName)
{
    char infPath[MAX_PATH];
    if (!JoinPath(infPath, sizeof infPath, sourceRoot, INF_FILE_NAME))
        return 0;
    HINF inf = SetupOpenInfFileA(infPath, NULL, INF_STYLE_WIN4, NULL);
    if (inf == INVALID_HANDLE_VALUE)
        return 0;
    if (!SetupSetDirectoryIdA(inf, DESTINATION_DIRID, destinationFolder)) {
        SetupCloseInfFile(inf);
        return 0;
    }
    // The default context is never released: both callers end the process right after.
    QueueWatch watch;
    StartQueueWatch(&watch, SetupInitDefaultQueueCallbackEx(NULL, NULL, 0, 0, NULL));
    BOOL installed = SetupInstallFromInfSectionA(NULL, inf, sectionName, PACKAGE_INSTALL_FLAGS,
                                                 HKEY_LOCAL_MACHINE, sourceRoot, SP_COPY_NEWER,
                                                 InfQueueCallback, &watch, NULL, NULL);
    SetupCloseInfFile(inf);
    // A section whose files were given up has not been carried out, whatever the
    // Setup API says: its Start-menu entries would point at missing files.
    if (!installed || !QueueCompleted(&watch))
        return 0;
    // Turns the setup.ini entries the section wrote into Start-menu items; whether
    // it starts or not, the section has been carried out.
    StartSystemProgram("grpconv.exe", "/o");
    return 1;
}
