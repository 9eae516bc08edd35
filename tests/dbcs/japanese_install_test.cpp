// The real package under a Japanese locale (code page 932), driven by the robot: a
// folder named in Japanese is typed into the browser, created, installed into and
// removed again by the system's list of installed programs.
#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "tests/dbcs/japanese_text.h"
#include "tests/e2e/life_cycle.h"
#include "tests/support/code_page.h"
#include "tests/support/installation.h"
#include "tests/support/process.h"
#include "tests/support/scratch.h"

namespace {

const char kTopFolder[] = "C:\\" JA_SOFTWARE;
const char kDestination[] = "C:\\" JA_SOFTWARE "\\" JA_ABILITIES "\\" JA_VELMORA_NEW;
const wchar_t kDestinationWide[] = L"C:\\" JA_SOFTWARE_W L"\\" JA_ABILITIES_W L"\\" JA_VELMORA_NEW_W;

// A box as the robot records it, with the text that this system's resource lookup
// picks for a Japanese thread, as the package's own lookup does.
std::string LoadedBox(UINT id, const std::string& path = "")
{
    char text[MAX_PATH];
    if (LoadStringA(GetModuleHandleA(NULL), id, text, sizeof text) <= 0)
        return "<no text " + std::to_string(id) + ">";
    return "box: " + (path.empty() ? std::string(text) : WithPath(text, path));
}

bool WideFileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool UninstallerGone(const std::string&) { return !WideFileExists(std::wstring(kDestinationWide) + L"\\uninst.exe"); }
bool NoCopyIn(const std::string& folder) { return EntriesStartingWith(folder, "Del").empty(); }

class JapaneseLifeCycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RunsExpectedCodePage());
        ASSERT_EQ(932u, ExpectedCodePage()) << "this program checks code page 932";
        ForgetInstallation();
        RemoveTree(kTopFolder);
        ASSERT_FALSE(FolderExists(kTopFolder)) << "left from an earlier run";
    }
    void TearDown() override
    {
        RemoveTree(kTopFolder);
        DeleteFileA(StartMenuShortcut("Velmora").c_str());
        DeleteFileA(StartMenuShortcut("Velmora Readme").c_str());
        ForgetInstallation();
    }
};

TEST_F(JapaneseLifeCycle, InstallsIntoAJapaneseFolderAndRemovesItAgain)
{
    PackageRun run = RunPackage({"yes", std::string("type=") + kDestination, "browse-ok", "yes", "ok"});
    ASSERT_TRUE(run.robotFinished) << run.robotError;
    ASSERT_EQ(3u, run.seen.size());
    EXPECT_EQ(LoadedBox(IDS_CONFIRM_INSTALL), run.seen[0]);
    EXPECT_EQ(EscapedBytes(LoadedBox(IDS_FOLDER_MISSING, kDestination)), EscapedBytes(run.seen[1]));
    EXPECT_EQ(LoadedBox(IDS_INSTALL_DONE), run.seen[2]);

    // The folder the file system holds, named through the wide interface.
    for (const std::string& name : InstalledFileNames())
        EXPECT_TRUE(WideFileExists(std::wstring(kDestinationWide) + L"\\" + WidenAscii(name)))
            << name << " is not in the Japanese folder";
    ExpectInstalledFiles(kDestination);
    EXPECT_EQ(EscapedBytes(ShortPath(kDestination) + "\\uninst.exe"),
              EscapedBytes(RegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString")));

    ChildProcess remove("uninstaller.exe --remove Velmor32");
    EXPECT_EQ(0u, remove.WaitForExit(20000));
    EXPECT_TRUE(WaitUntil(UninstallerGone, "", 30000)) << "uninst.exe is left";
    EXPECT_TRUE(WaitUntil(NoCopyIn, TempFolder(), 15000)) << "a temporary copy is left";
    ExpectNoInstalledFiles(kDestination);
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_TRUE(WideFileExists(kDestinationWide)) << "the folder itself stays";
}

}  // namespace
