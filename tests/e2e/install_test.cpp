// The whole life cycle of the real package under Wine: the robot answers every window.
#include <gtest/gtest.h>

#include <utility>

#include "tests/e2e/life_cycle.h"
#include "tests/support/environment.h"
#include "tests/support/installation.h"
#include "tests/support/planted.h"
#include "tests/support/process.h"
#include "tests/support/scratch.h"
#include "tests/support/wine.h"

static bool Gone(const std::string& path) { return !FileExists(path); }

// The Uninstall keys of one registry view that carry a display name and an
// uninstall command, "key|||DisplayName" a line.
static std::string UninstallEntries(REGSAM view)
{
    const char* uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    HKEY keys;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstall, 0, KEY_READ | view, &keys) != ERROR_SUCCESS)
        return "";
    std::string entries;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(keys, index, name, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        char displayName[256], command[1024];
        DWORD displaySize = sizeof displayName, commandSize = sizeof command;
        if (RegGetValueA(keys, name, "DisplayName", RRF_RT_REG_SZ, NULL, displayName, &displaySize) ==
                ERROR_SUCCESS &&
            RegGetValueA(keys, name, "UninstallString", RRF_RT_REG_SZ, NULL, command, &commandSize) ==
                ERROR_SUCCESS)
            entries += std::string(name) + "|||" + displayName + "\n";
    }
    RegCloseKey(keys);
    return entries;
}

// The system's list of installed programs as uninstaller.exe --list gives it.
// Wine 8 writes it to the program's standard output. Wine 10 writes it to the
// Unix stderr, out of a Windows program's reach: there the list is made the way
// the uninstaller makes it, from the Uninstall keys of both registry views.
static std::string SystemList()
{
    if (WineMajorVersion() >= 10)
        return UninstallEntries(KEY_WOW64_64KEY) + UninstallEntries(KEY_WOW64_32KEY);
    ScratchFolder output;
    ChildProcess list("cmd.exe /c uninstaller.exe --list > \"" + (output / "list.txt") + "\"");
    EXPECT_EQ(0u, list.WaitForExit(20000)) << "expected uninstaller --list to end with 0 within 20 s";
    return ReadWholeFile(output / "list.txt");
}
static bool Present(const std::string& path) { return FileExists(path); }
// The copy is deleted by the system once its own process has ended too.
static bool NoCopyIn(const std::string& folder) { return EntriesStartingWith(folder, "Del").empty(); }

class LifeCycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForgetInstallation();
        RemoveTree(DefaultDestination());
        m_workFoldersBefore = EntriesStartingWith(TempFolder(), "Vel");
    }
    void TearDown() override
    {
        RemoveTree(DefaultDestination());
        DeleteFileA(StartMenuShortcut("Velmora").c_str());
        DeleteFileA(StartMenuShortcut("Velmora Readme").c_str());
        ForgetInstallation();
    }

    // Installs by typing folder into the browser (it must exist: no question).
    void InstallInto(const std::string& folder)
    {
        PackageRun run = RunPackage({"yes", "type=" + folder, "browse-ok", "ok"});
        ASSERT_TRUE(run.robotFinished) << run.robotError;
        ASSERT_EQ(Box(IDS_INSTALL_DONE), run.seen.back());
    }
    void ExpectNoWorkFolderLeft()
    {
        EXPECT_EQ(m_workFoldersBefore, EntriesStartingWith(TempFolder(), "Vel"));
    }
    void ExpectNotInstalled(const std::string& folder)
    {
        ExpectNoInstalledFiles(folder);
        EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    }

    std::vector<std::string> m_workFoldersBefore;
};

TEST_F(LifeCycle, FreshInstallIntoTheProposedFolder)
{
    const std::string destination = DefaultDestination();
    PackageRun run = RunPackage({"yes", "read", "browse-ok", "yes", "ok"});
    ASSERT_TRUE(run.robotFinished) << run.robotError;
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_EQ(4u, run.seen.size());
    EXPECT_EQ(Box(IDS_CONFIRM_INSTALL), run.seen[0]);
    EXPECT_EQ("edit=" + destination + " ok=1", run.seen[1]);
    EXPECT_EQ(Box(IDS_FOLDER_MISSING, destination), run.seen[2]);
    EXPECT_EQ(Box(IDS_INSTALL_DONE), run.seen[3]);

    ExpectInstalledFiles(destination);
    const std::string package = ReadWholeFile(ArtefactPath("VELMORA_PACKAGE"));
    EXPECT_TRUE(ReadWholeFile(destination + "\\uninst.exe") == package.substr(0, 57344));
    EXPECT_TRUE(ReadWholeFile(destination + "\\Install.inf") == package.substr(57344, 2518));
    EXPECT_EQ(ShortPath(destination) + "\\uninst.exe",
              RegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"));
    EXPECT_EQ("Karvenko's Velmora for Win32 1.0",
              RegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName"));
    EXPECT_TRUE(WaitUntil(Present, StartMenuShortcut("Velmora"), 10000))
        << StartMenuShortcut("Velmora") << " was not made";
    EXPECT_TRUE(WaitUntil(Present, StartMenuShortcut("Velmora Readme"), 10000));
    ExpectNoWorkFolderLeft();
}

TEST_F(LifeCycle, TheSystemListRemovesEverythingButTheFolder)
{
    const std::string destination = DefaultDestination();
    ASSERT_TRUE(CreateDirectoryA(destination.c_str(), NULL)) << GetLastError();
    InstallInto(destination);
    ASSERT_TRUE(WaitUntil(Present, StartMenuShortcut("Velmora"), 10000));

    const std::string list = SystemList();
    EXPECT_NE(std::string::npos, list.find("Velmor32|||Karvenko's Velmora for Win32 1.0"))
        << "expected our entry in the system list; it holds: " << list;

    ChildProcess remove("uninstaller.exe --remove Velmor32");
    EXPECT_EQ(0u, remove.WaitForExit(20000));
    // The uninstaller returns when uninst.exe ends; its copy removes the files after,
    // and the system deletes the copy once the copy's process has ended.
    EXPECT_TRUE(WaitUntil(Gone, destination + "\\uninst.exe", 30000));
    EXPECT_TRUE(WaitUntil(NoCopyIn, TempFolder(), 15000)) << "a temporary copy is left";
    ExpectNoInstalledFiles(destination);
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_TRUE(FolderExists(destination));
    EXPECT_TRUE(WaitUntil(Gone, StartMenuShortcut("Velmora"), 10000));
    EXPECT_TRUE(WaitUntil(Gone, StartMenuShortcut("Velmora Readme"), 10000));
}

TEST_F(LifeCycle, ASecondInstallProposesThePreviousFolder)
{
    ScratchFolder earlier;
    InstallInto(earlier.Path());
    PackageRun run = RunPackage({"yes", "read", "browse-cancel", "wait-gone"});
    ASSERT_TRUE(run.robotFinished) << run.robotError;
    ASSERT_EQ(2u, run.seen.size());
    const std::string prefix = "edit=", suffix = " ok=1";
    ASSERT_EQ(0u, run.seen[1].find(prefix)) << run.seen[1];
    std::string proposed = run.seen[1].substr(prefix.size(), run.seen[1].size() - prefix.size() - suffix.size());
    EXPECT_EQ(ShortPath(earlier.Path()), proposed) << "the previous folder, without \\Velmor32 again";
    ExpectInstalledFiles(earlier.Path());
}

TEST_F(LifeCycle, NoAtTheConfirmationEndsAtOnce)
{
    PackageRun run = RunPackage({"no", "wait-gone"});
    ASSERT_TRUE(run.robotFinished) << run.robotError;
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(std::vector<std::string>{Box(IDS_CONFIRM_INSTALL)}, run.seen);
    ExpectNoWorkFolderLeft();
    ExpectNotInstalled(DefaultDestination());
    EXPECT_FALSE(FolderExists(DefaultDestination()));
}

TEST_F(LifeCycle, CancelInTheBrowserEndsSilently)
{
    PackageRun run = RunPackage({"yes", "browse-cancel", "wait-gone"});
    ASSERT_TRUE(run.robotFinished) << run.robotError;
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(std::vector<std::string>{Box(IDS_CONFIRM_INSTALL)}, run.seen);
    ExpectNoWorkFolderLeft();
    ExpectNotInstalled(DefaultDestination());
}

// The boxes of validation have no owner, so the browser stays live under the
// question whether to create the folder, and its Cancel ends it there. Whatever
// the question is then answered, nothing is installed; a folder that Yes created
// stays, as created folders do when the browser is cancelled. A second OK under
// the box, before the Cancel, is ignored and asks nothing.
TEST_F(LifeCycle, CancelInTheBrowserUnderTheCreateQuestionInstallsNothing)
{
    struct Row {
        const char* answer;
        bool secondOk;
        bool folderStays;
    };
    for (const Row& row : {Row{"yes", false, true}, Row{"no", false, false}, Row{"yes", true, true}}) {
        SCOPED_TRACE(std::string(row.answer) + (row.secondOk ? " after a second OK" : ""));
        ScratchFolder parent;
        const std::string destination = parent / "New Velmora";
        std::vector<std::string> steps = {"yes", "type=" + destination, "browse-ok"};
        if (row.secondOk)
            steps.push_back("browse-ok");
        for (const char* step : {"browse-cancel", row.answer, "wait-gone"})
            steps.push_back(step);
        PackageRun run = RunPackage(steps);
        ASSERT_TRUE(run.robotFinished) << run.robotError;
        EXPECT_EQ(0u, run.exitCode) << "expected the program ended";
        std::vector<std::string> expected = {Box(IDS_CONFIRM_INSTALL), Box(IDS_FOLDER_MISSING, destination)};
        EXPECT_EQ(expected, run.seen) << "expected no message after the cancelled question";
        EXPECT_EQ(row.folderStays, FolderExists(destination));
        ExpectNotInstalled(destination);
        ExpectNoWorkFolderLeft();
    }
}

TEST_F(LifeCycle, ATypedFolderOfThreeNewLevelsIsCreatedAndInstalledInto)
{
    ScratchFolder parent;
    const std::string destination = parent / "Neue Programme\\Velmora 1.0\\bin";
    PackageRun run = RunPackage({"yes", "type=" + destination, "browse-ok", "yes", "ok"});
    ASSERT_TRUE(run.robotFinished) << run.robotError;
    ASSERT_EQ(3u, run.seen.size());
    EXPECT_EQ(Box(IDS_FOLDER_MISSING, destination), run.seen[1]);
    EXPECT_EQ(Box(IDS_INSTALL_DONE), run.seen[2]);
    ExpectInstalledFiles(destination);
    EXPECT_EQ(ShortPath(destination) + "\\uninst.exe",
              RegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"));
}

TEST_F(LifeCycle, APackageNameThatOpensNoFileFailsAtTheCopy)
{
    ScratchFolder downloads;
    const std::string package = downloads / "VelmoraSetup.exe";
    ASSERT_TRUE(CopyFileA(ArtefactPath("VELMORA_PACKAGE").c_str(), package.c_str(), FALSE));
    ScratchFolder destination;
    // Started without its extension: the first word names no file.
    PackageRun run = RunPackage({"yes", "type=" + destination.Path(), "browse-ok", "ok", "wait-gone"},
                                "VelmoraSetup", package.c_str(), downloads.Path().c_str());
    ASSERT_TRUE(run.robotFinished) << run.robotError;
    ASSERT_EQ(2u, run.seen.size());
    EXPECT_EQ(Box(IDS_COPY_FAILED), run.seen[1]);
    ExpectNoWorkFolderLeft();
    ExpectNotInstalled(destination.Path());
}

// TEMP and TMP with a blank and a national letter, for both the install and the
// uninstaller's temporary copy.
TEST_F(LifeCycle, ATempFolderWithABlankAndAnUmlautInstallsAndUninstalls)
{
    ScratchFolder parent;
    const std::string temp = parent / "Tmp \xd6rdner";
    ASSERT_TRUE(CreateDirectoryA(temp.c_str(), NULL)) << GetLastError();
    TemporaryFolderSetting setting(temp);
    ScratchFolder destination;
    InstallInto(destination.Path());
    ExpectInstalledFiles(destination.Path());
    EXPECT_TRUE(EntriesStartingWith(temp, "Vel").empty());

    ChildProcess uninstaller("\"" + (destination / "uninst.exe") + "\"");
    EXPECT_EQ(0u, uninstaller.WaitForExit(20000));
    EXPECT_TRUE(WaitUntil(Gone, destination / "uninst.exe", 30000));
    EXPECT_TRUE(WaitUntil(NoCopyIn, temp, 15000)) << "a temporary copy is left in " << temp;
    ExpectNoInstalledFiles(destination.Path());
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

// A program named grpconv.exe lying beside the package (a downloads folder), in the
// current folder, in the temporary folder (where the uninstaller's copy runs) and
// beside the installed uninst.exe never runs; the system's grpconv still makes and
// removes the shortcuts.
TEST_F(LifeCycle, AGrpconvPlantedWhereTheProgramRunsNeverStarts)
{
    ScratchFolder downloads, current, temp, destination;
    const std::string package = downloads / "VelmoraSetup.exe";
    ASSERT_TRUE(CopyFileA(ArtefactPath("VELMORA_PACKAGE").c_str(), package.c_str(), FALSE))
        << GetLastError();
    const std::pair<const char*, std::string> planted[] = {
        {"beside the package", downloads / "grpconv.exe"},
        {"in the current folder", current / "grpconv.exe"},
        {"in the temporary folder", temp / "grpconv.exe"},
        {"beside uninst.exe", destination / "grpconv.exe"}};
    for (const auto& place : planted)
        PlantProgram(place.second);
    TemporaryFolderSetting setting(temp.Path());

    PackageRun run = RunPackage({"yes", "type=" + destination.Path(), "browse-ok", "ok"},
                                "\"" + package + "\"", package.c_str(), current.Path().c_str());
    ASSERT_TRUE(run.robotFinished) << run.robotError;
    ASSERT_EQ(Box(IDS_INSTALL_DONE), run.seen.back());
    EXPECT_TRUE(WaitUntil(Present, StartMenuShortcut("Velmora"), 10000))
        << "the system's grpconv made no shortcut at install";
    for (const auto& place : planted)
        EXPECT_EQ("", PlantedRuns(place.second)) << "the copy " << place.first << " ran at install";

    ChildProcess uninstaller("\"" + (destination / "uninst.exe") + "\"", 0, NULL,
                             current.Path().c_str());
    EXPECT_EQ(0u, uninstaller.WaitForExit(20000));
    EXPECT_TRUE(WaitUntil(Gone, destination / "uninst.exe", 30000));
    EXPECT_TRUE(WaitUntil(Gone, StartMenuShortcut("Velmora"), 10000))
        << "the system's grpconv removed no shortcut at uninstall";
    EXPECT_TRUE(WaitUntil(NoCopyIn, temp.Path(), 15000)) << "a temporary copy is left";
    for (const auto& place : planted)
        EXPECT_EQ("", PlantedRuns(place.second)) << "the copy " << place.first
                                                 << " ran by the end of the uninstall";
}

// Typed into the browser, a device name brings message 7 and the browser stays open;
// before, the browser closed and the install never ended. Every wait is bounded, so
// a return of that fault fails here instead of hanging.
TEST_F(LifeCycle, ADeviceNameTypedInTheBrowserIsRefusedAndTheInstallerEnds)
{
    PackageRun run = RunPackage({"yes", "type=C:\\nul", "browse-ok", "ok", "type=c:\\Lpt9.log\\Velmor32",
                                 "browse-ok", "ok", "type=C:\\CONIN$", "browse-ok", "ok", "browse-cancel",
                                 "wait-gone"});
    ASSERT_TRUE(run.robotFinished) << run.robotError;
    EXPECT_EQ(0u, run.exitCode) << "the installer has not ended (259: still running)";
    const std::vector<std::string> expected = {Box(IDS_CONFIRM_INSTALL), Box(IDS_FOLDER_INVALID, "C:\\nul"),
                                               Box(IDS_FOLDER_INVALID, "c:\\Lpt9.log\\Velmor32"),
                                               Box(IDS_FOLDER_INVALID, "C:\\CONIN$")};
    EXPECT_EQ(expected, run.seen);
    ExpectNoWorkFolderLeft();
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}
