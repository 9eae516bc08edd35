// Names that the ANSI code page (1252 here) cannot spell, met where the program takes
// a path from the system: a Russian user's temporary folder, a Polish download folder
// and a folder picked in the browser's tree. The real package, answered by the robot.
#include <gtest/gtest.h>

#include "tests/e2e/life_cycle.h"
#include "tests/support/environment.h"
#include "tests/support/installation.h"
#include "tests/support/process.h"
#include "tests/support/scratch.h"

namespace {

const WCHAR kPolish[] = L"\u0141\u00f3d\u017a";                                // Łódź
const char kPolishLookAlike[] = "L\xf3" "dz";                                   // what best fit makes of it
const WCHAR kRussian[] = L"\u0414\u043c\u0438\u0442\u0440\u0438\u0439";         // Дмитрий
const WCHAR kRussianTemp[] = L"C:\\users\\\u0414\u043c\u0438\u0442\u0440\u0438\u0439 \u0422\u0435\u043c\u043f";
const DWORD kRemovalMs = 30000;

bool Gone(const std::string& path) { return !FileExists(path); }
bool NoCopyIn(const std::string& folder) { return EntriesStartingWith(folder, "Del").empty(); }

// A folder made by its wide name for one case, removed with its content after it.
class WideFolder {
public:
    explicit WideFolder(const std::wstring& path) : m_path(path)
    {
        EXPECT_TRUE(CreateDirectoryW(path.c_str(), NULL)) << Utf8Of(path) << ": " << GetLastError();
    }
    ~WideFolder() { RemoveTree(m_path); }
    WideFolder(const WideFolder&) = delete;
    WideFolder& operator=(const WideFolder&) = delete;
    const std::wstring& Path() const { return m_path; }
    // Its name as the program can use it: the short form, ANSI.
    std::string Narrow() const { return AnsiShortForm(m_path); }

private:
    std::wstring m_path;
};

// Wine's browser finds a path's folders in its tree by comparing item lists byte for
// byte, last-access time included, and its own listing during the selection moves
// that time for a folder changed since it was last read (a relatime mount): the
// selection then misses. Every level is read once before the browser opens.
void ReadEveryLevel(const std::wstring& path)
{
    for (size_t end = path.find(L'\\', 3); ; end = path.find(L'\\', end + 1)) {
        WIN32_FIND_DATAW entry;
        HANDLE listing = FindFirstFileW((path.substr(0, end) + L"\\*").c_str(), &entry);
        if (listing != INVALID_HANDLE_VALUE) {
            while (FindNextFileW(listing, &entry)) {
            }
            FindClose(listing);
        }
        if (end == std::wstring::npos)
            return;
    }
}

class UnspellableNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(1252u, GetACP()) << "these cases are written for code page 1252";
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
    void ExpectNoWorkFolderLeft()
    {
        EXPECT_EQ(m_workFoldersBefore, EntriesStartingWith(TempFolder(), "Vel"));
    }
    // Starts the uninstaller by commandLine and waits until the removal is done.
    template <typename CommandLine>
    void Uninstall(const CommandLine& commandLine, const std::string& folder, const std::string& temp)
    {
        ChildProcess uninstaller(commandLine);
        EXPECT_EQ(0u, uninstaller.WaitForExit(20000));
        EXPECT_TRUE(WaitUntil(Gone, folder + "\\uninst.exe", kRemovalMs)) << "nothing removed in " << folder;
        EXPECT_TRUE(WaitUntil(NoCopyIn, temp, 15000)) << "a temporary copy is left in " << temp;
        ExpectNoInstalledFiles(folder);
        EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    }

    std::vector<std::string> m_workFoldersBefore;
};

// GetTempPathA gives "C:\users\??????? ????\": no working folder, no temporary copy
// could be made there. The short form reaches the same folder.
TEST_F(UnspellableNames, ARussianTemporaryFolderInstallsAndUninstalls)
{
    ScratchFolder destination;
    WideFolder temp(kRussianTemp);
    const std::string narrowTemp = temp.Narrow();
    ASSERT_FALSE(narrowTemp.empty()) << "Wine gives every existing folder a short name";
    TemporaryFolderSetting setting(temp.Path());

    PackageRun run = RunPackage({"yes", "type=" + destination.Path(), "browse-ok", "ok"});
    ASSERT_TRUE(run.robotFinished) << run.robotError;
    EXPECT_EQ((std::vector<std::string>{Box(IDS_CONFIRM_INSTALL), Box(IDS_INSTALL_DONE)}), run.seen);
    ExpectInstalledFiles(destination.Path());
    EXPECT_TRUE(EntriesStartingWith(narrowTemp, "Vel").empty()) << "a working folder is left";
    ExpectNoWorkFolderLeft();

    Uninstall("\"" + (destination / "uninst.exe") + "\"", destination.Path(), narrowTemp);
}

// A temporary folder that no narrow name reaches (here: one that does not exist, so
// it has no short name; on Windows also a volume without short names): the run ends
// with message 2 before the destination is chosen, so that nothing has been made.
TEST_F(UnspellableNames, AnUnreachableTemporaryFolderStopsTheInstallBeforeAnythingIsMade)
{
    TemporaryFolderSetting setting(std::wstring(kRussianTemp) + L" (missing)");
    PackageRun run = RunPackage({"yes", "ok", "wait-gone"});
    ASSERT_TRUE(run.robotFinished) << run.robotError;
    EXPECT_EQ((std::vector<std::string>{Box(IDS_CONFIRM_INSTALL), Box(IDS_COPY_FAILED)}), run.seen);
    EXPECT_FALSE(FolderExists(DefaultDestination())) << "the destination was made for nothing";
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    ExpectNoWorkFolderLeft();
}

// The uninstaller cannot hand over to a temporary copy: it removes nothing, and the
// installation stays whole and listed, to be removed later.
TEST_F(UnspellableNames, AnUninstallWithoutAReachableTemporaryFolderLeavesTheInstallationWhole)
{
    ScratchFolder destination;
    PackageRun run = RunPackage({"yes", "type=" + destination.Path(), "browse-ok", "ok"});
    ASSERT_TRUE(run.robotFinished) << run.robotError;
    ExpectInstalledFiles(destination.Path());
    {
        TemporaryFolderSetting setting(std::wstring(kRussianTemp) + L" (missing)");
        ChildProcess uninstaller("\"" + (destination / "uninst.exe") + "\"");
        EXPECT_EQ(0u, uninstaller.WaitForExit(20000));
    }
    // A copy, had one started, would remove the files within about a second.
    Sleep(3000);
    ExpectInstalledFiles(destination.Path());
    EXPECT_EQ(ShortPath(destination.Path()) + "\\uninst.exe",
              RegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"));
    EXPECT_TRUE(NoCopyIn(TempFolder()));
}

// GetCommandLineA gives "...\Lódz\VelmoraSetup.exe": the package would not open, or
// a look-alike folder's file would be installed in its place.
TEST_F(UnspellableNames, APackageStartedFromAFolderTheCodePageCannotSpellInstalls)
{
    const std::string package = ReadWholeFile(ArtefactPath("VELMORA_PACKAGE"));
    const struct {
        const WCHAR* folder;
        bool lookAlikeBeside;
    } cases[] = {{kPolish, true}, {kRussian, false}};
    for (const auto& row : cases) {
        SCOPED_TRACE(Utf8Of(row.folder));
        ScratchFolder downloads;
        ScratchFolder destination;
        WideFolder folder(Widen(downloads.Path()) + L"\\" + row.folder);
        const std::wstring started = folder.Path() + L"\\VelmoraSetup.exe";
        ASSERT_TRUE(CopyFileW(Widen(ArtefactPath("VELMORA_PACKAGE")).c_str(), started.c_str(), FALSE))
            << GetLastError();
        if (row.lookAlikeBeside) {
            // A broken package where the look-alike points: taken, it fails with message 2.
            ASSERT_TRUE(CreateDirectoryA((downloads / kPolishLookAlike).c_str(), NULL)) << GetLastError();
            WriteWholeFile(downloads / kPolishLookAlike + "\\VelmoraSetup.exe", package.substr(0, 1000));
        }
        PackageRun run = RunPackage({"yes", "type=" + destination.Path(), "browse-ok", "ok"},
                                    L"\"" + started + L"\"");
        ASSERT_TRUE(run.robotFinished) << run.robotError;
        EXPECT_EQ((std::vector<std::string>{Box(IDS_CONFIRM_INSTALL), Box(IDS_INSTALL_DONE)}), run.seen);
        ExpectInstalledFiles(destination.Path());
        ExpectNoWorkFolderLeft();
        ForgetInstallation();
    }
}

// SHGetPathFromIDListA gives the look-alike "Lódz" (validation would then offer to
// create that other folder) or "???????". The edit box shows the short form of the
// picked folder instead, the installation goes there, and its uninstaller, started
// by its real name, removes it.
TEST_F(UnspellableNames, AFolderPickedInTheTreeIsTheFolderInstalledInto)
{
    const WCHAR* names[] = {kPolish, kRussian};
    for (const WCHAR* name : names) {
        SCOPED_TRACE(Utf8Of(name));
        ScratchFolder parent;
        WideFolder picked(Widen(parent.Path()) + L"\\" + name);
        const std::string narrow = picked.Narrow();
        ASSERT_FALSE(narrow.empty());
        ReadEveryLevel(picked.Path());

        PackageRun run = RunPackage({"yes", "select=" + Utf8Of(picked.Path()), "read", "browse-ok", "ok"});
        ASSERT_TRUE(run.robotFinished) << run.robotError << "; seen: " << ::testing::PrintToString(run.seen);
        EXPECT_EQ((std::vector<std::string>{Box(IDS_CONFIRM_INSTALL), "edit=" + narrow + " ok=1",
                                            Box(IDS_INSTALL_DONE)}),
                  run.seen);
        EXPECT_FALSE(FolderExists(parent / kPolishLookAlike)) << "a look-alike folder was made";
        ExpectInstalledFiles(narrow);
        EXPECT_TRUE(FileExists(picked.Path() + L"\\velmora.exe"));
        EXPECT_EQ(narrow + "\\uninst.exe", RegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"));

        // GetModuleFileNameA would give the look-alike's path: no copy could be made.
        Uninstall(L"\"" + picked.Path() + L"\\uninst.exe\"", narrow, TempFolder());
    }
}

}  // namespace
