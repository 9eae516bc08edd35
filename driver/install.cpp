#include "driver/install.h"

#include "driver/propose.h"
#include "folderdialog/folder_dialog.h"
#include "package/inf_runner.h"
#include "package/spellable_path.h"
#include "package/split.h"
#include "package/work_folder.h"
#include "resources/messages.h"
#include "resources/resource.h"

// Turns the accepted folder into the destination: its short form where it has one
// that fits, else the text as accepted.
static void TakeDestination(const char* accepted, char* destination)
{
    DWORD length = GetShortPathNameA(accepted, destination, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        lstrcpyA(destination, accepted);
}

// Splits the package into a fresh working folder and runs "DefaultInstall" from
// there into destination. Every way out removes the working folder; a failure is
// reported while its files still exist.
static void InstallFromPackage(const char* packagePath, const char* destination)
{
    char workFolder[MAX_PATH];
    WorkFilePaths files;
    CreateWorkFolder(workFolder);
    FormWorkFilePaths(workFolder, &files);
    if (!SplitPackage(packagePath, files.cabinet, files.uninstaller, files.inf)) {
        ShowMessage(IDS_COPY_FAILED, STYLE_WARNING);
        RemoveWorkFolder(workFolder);
        return;
    }
    if (!RunInfSection(workFolder, destination, "DefaultInstall")) {
        ShowMessage(IDS_INSTALL_FAILED, STYLE_WARNING);
        RemoveWorkFolder(workFolder);
        return;
    }
    RemoveWorkFolder(workFolder);
    ShowMessage(IDS_INSTALL_DONE, STYLE_PLAIN);
}

// A temporary folder that the ANSI call names but no narrow name reaches can never
// hold the working folder. Known before the destination is chosen, it ends the run
// before validation may have created a folder for an installation that cannot
// happen. Every other temporary-folder fault shows at the split, as it always has.
static int TemporaryFolderUnspellable()
{
    char tempFolder[MAX_PATH];
    return GetTempPathA(sizeof tempFolder, tempFolder) != 0
           && GetSpellableTempPath(tempFolder, sizeof tempFolder) == 0;
}

void RunInstall(HINSTANCE instance, const char* packagePath)
{
    if (ShowMessage(IDS_CONFIRM_INSTALL, STYLE_QUESTION) == IDNO)
        return;
    if (TemporaryFolderUnspellable()) {
        ShowMessage(IDS_COPY_FAILED, STYLE_WARNING);
        return;
    }
    char folder[MAX_PATH];
    ProposeDestination(folder);

    char prompt[MAX_PATH];
    LoadStringA(instance, IDS_SELECT_FOLDER, prompt, sizeof prompt);
    // The shell's folder browser expects COM on the calling thread.
    CoInitialize(NULL);
    FolderDialog dialog("Setup", prompt, folder);
    if (dialog.DoModal() != 1)
        return;
    TakeDestination(dialog.GetPath(), folder);
    InstallFromPackage(packagePath, folder);
}
