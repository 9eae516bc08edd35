// Overlong command lines, arguments and temporary folders given to the real program
// as a process: it must end with exit code 0 and do what it does for a short input,
// or nothing, never a cut path that names something else.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/inf_runner.h"
#include "tests/e2e/life_cycle.h"
#include "tests/support/environment.h"
#include "tests/support/installation.h"
#include "tests/support/process.h"
#include "tests/support/scratch.h"
#include "tools/robot/robot.h"

namespace {

const DWORD kProcessMs = 20000;

std::string Seen(const PackageRun& run)
{
    std::string text = "exit " + std::to_string(run.exitCode) + ", robot " +
                       (run.robotFinished ? "done" : "failed: " + run.robotError) + ", seen [";
    for (const std::string& line : run.seen)
        text += "\n  " + line;
    return text + "]";
}

// Pads with names of 'n' (or the character given) to exactly length characters.
std::string PaddedTo(std::string path, size_t length, char fill = 'n')
{
    while (path.size() < length) {
        path += "\\";
        path += std::string(std::min<size_t>(60, length - path.size()), fill);
    }
    path.resize(length);
    return path;
}

bool NoSetupWindow(const std::string&) { return FindSetupWindows().count == 0; }

// Makes a folder of exactly length characters below parent, level by level. Gives
// false when the system will not make one that long.
bool MakeFolderOfLength(const std::string& parent, size_t length, std::string* folder)
{
    std::string path = parent;
    while (path.size() < length) {
        size_t room = length - path.size() - 1;
        // Never leave a last level of a single character to the next round.
        size_t take = room > 60 ? (room - 60 < 2 ? 40 : 60) : room;
        path += "\\" + std::string(take, 'T');
        if (!CreateDirectoryA(path.c_str(), NULL) && !FolderExists(path))
            return false;
    }
    *folder = path;
    return path.size() == length;
}

class LongProcessInputs : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForgetInstallation();
        m_package = ArtefactPath("VELMORA_PACKAGE");
        m_copiesBefore = EntriesStartingWith(TempFolder(), "Del");
        m_workFoldersBefore = EntriesStartingWith(TempFolder(), "Vel");
    }
    void TearDown() override
    {
        ForgetInstallation();
        DeleteFileA(StartMenuShortcut("Velmora").c_str());
        DeleteFileA(StartMenuShortcut("Velmora Readme").c_str());
    }
    // An installation as "DefaultInstall" leaves it, made without the program's UI.
    void InstallWithoutUi(const std::string& folder)
    {
        ScratchFolder work;
        LayOutWorkFolder(work.Path());
        ASSERT_EQ(1, RunInfSection(work.Path().c_str(), folder.c_str(), "DefaultInstall"))
            << "into " << folder << ": " << GetLastError();
        ExpectInstalledFiles(folder);
    }
    void ExpectInstallationIntact(const std::string& folder, const std::string& after)
    {
        ExpectInstalledFiles(folder);
        EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY))
            << "expected the Uninstall key to stay after " << after;
    }

    std::string m_package;
    std::vector<std::string> m_copiesBefore;
    std::vector<std::string> m_workFoldersBefore;
};

// A single word followed by blanks: no argument, whatever its length, so install
// mode starts and the package path is the quoted word.
TEST_F(LongProcessInputs, InstallModeLinesOf250To1000CharactersEndAtNo)
{
    for (size_t length : {250u, 259u, 260u, 261u, 511u, 512u, 513u, 1000u}) {
        std::string line = "\"" + m_package + "\"";
        line += std::string(length - line.size(), ' ');
        PackageRun run = RunPackage({"no", "wait-gone"}, line, m_package.c_str());
        ASSERT_TRUE(run.robotFinished) << length << " characters: " << Seen(run);
        EXPECT_EQ(0u, run.exitCode) << length << " characters: " << Seen(run);
        ASSERT_EQ(1u, run.seen.size()) << length << " characters: " << Seen(run);
        EXPECT_EQ(Box(IDS_CONFIRM_INSTALL), run.seen[0]);
        EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY)) << length;
    }
}

TEST_F(LongProcessInputs, ALongLineWhoseFirstWordFitsInstalls)
{
    ScratchFolder destination;
    std::string line = "\"" + m_package + "\"" + std::string(1000, ' ');
    line.resize(1000);
    PackageRun run = RunPackage({"yes", "type=" + destination.Path(), "browse-ok", "ok"}, line,
                                m_package.c_str());
    ASSERT_TRUE(run.robotFinished) << Seen(run);
    EXPECT_EQ(0u, run.exitCode) << Seen(run);
    ASSERT_FALSE(run.seen.empty());
    EXPECT_EQ(Box(IDS_INSTALL_DONE), run.seen.back()) << Seen(run);
    ExpectInstalledFiles(destination.Path());
}

// A first word of 259 characters is the longest package path; it names the package.
TEST_F(LongProcessInputs, APackagePathOf259CharactersInstalls)
{
    ScratchFolder downloads;
    std::string folder;
    ASSERT_TRUE(MakeFolderOfLength(downloads.Path(), 259 - 1 - 12, &folder)) << GetLastError();
    const std::string package = folder + "\\Setup123.exe";
    ASSERT_EQ(259u, package.size());
    ASSERT_TRUE(CopyFileA(m_package.c_str(), package.c_str(), FALSE)) << package << ": " << GetLastError();
    ScratchFolder destination;
    PackageRun run = RunPackage({"yes", "type=" + destination.Path(), "browse-ok", "ok"},
                                "\"" + package + "\"", package.c_str());
    ASSERT_TRUE(run.robotFinished) << Seen(run);
    ASSERT_FALSE(run.seen.empty());
    EXPECT_EQ(Box(IDS_INSTALL_DONE), run.seen.back()) << Seen(run);
    ExpectInstalledFiles(destination.Path());
}

// A first word that does not fit gives no package path, never a cut one: the copy
// fails with message 2 and nothing is installed.
TEST_F(LongProcessInputs, AFirstWordTooLongForThePackagePathFailsAtTheCopy)
{
    for (size_t length : {260u, 261u, 1000u}) {
        // The word names the real package through "\." levels, so that a word cut
        // anywhere could still name an existing folder or the package itself.
        size_t slash = m_package.rfind('\\');
        std::string word = m_package.substr(0, slash);
        while (word.size() + (m_package.size() - slash) < length)
            word += "\\.";
        word += m_package.substr(slash);
        ScratchFolder destination;
        PackageRun run = RunPackage({"yes", "type=" + destination.Path(), "browse-ok", "ok", "wait-gone"},
                                    "\"" + word + "\"", m_package.c_str());
        ASSERT_TRUE(run.robotFinished) << word.size() << " characters: " << Seen(run);
        EXPECT_EQ(0u, run.exitCode) << Seen(run);
        ASSERT_EQ(2u, run.seen.size()) << word.size() << " characters: " << Seen(run);
        EXPECT_EQ(Box(IDS_COPY_FAILED), run.seen[1]) << word.size() << " characters";
        ExpectNoInstalledFiles(destination.Path());
        EXPECT_EQ(m_workFoldersBefore, EntriesStartingWith(TempFolder(), "Vel"))
            << "a working folder was left behind";
    }
}

// "uninst.exe" in a long first word: relocation from the package's own folder, which
// holds no installation; another installation elsewhere must stay.
TEST_F(LongProcessInputs, RelocationLinesOf250To1000CharactersRemoveNothing)
{
    ScratchFolder installation;
    InstallWithoutUi(installation.Path());
    ScratchFolder downloads;
    const std::string package = downloads / "VelmoraSetup.exe";
    ASSERT_TRUE(CopyFileA(m_package.c_str(), package.c_str(), FALSE)) << GetLastError();
    for (size_t length : {250u, 260u, 511u, 512u, 1000u}) {
        std::string line = "\"" + PaddedTo("C:\\uninst.exe", length - 2) + "\"";
        ChildProcess relocation(line, 0, package.c_str());
        ASSERT_TRUE(relocation.Started()) << GetLastError();
        EXPECT_EQ(0u, relocation.WaitForExit(kProcessMs)) << length << " characters";
        // The copy it started waits for it, then runs and ends; its file then goes.
        DWORD start = GetTickCount();
        while (EntriesStartingWith(TempFolder(), "Del") != m_copiesBefore && GetTickCount() - start < kProcessMs)
            Sleep(100);
        EXPECT_EQ(m_copiesBefore, EntriesStartingWith(TempFolder(), "Del"))
            << "the temporary copy stayed after a line of " << length;
        EXPECT_TRUE(NoSetupWindow("")) << "a window came for a relocation line of " << length;
        ExpectInstallationIntact(installation.Path(), "a relocation line of " + std::to_string(length));
        EXPECT_TRUE(FileExists(package)) << "the package itself went";
    }
}

// The second stage with an argument 2 of 258 characters and more that names the
// real installation through "\." levels: 258 is the longest whose install.inf path
// fits, so it removes; every longer one must touch nothing.
TEST_F(LongProcessInputs, SecondStageArgumentsOfEveryOverlongSizeTouchNothing)
{
    ScratchFolder parent;
    ScratchFolder temp;
    const std::string copy = temp / "Del7.tmp";
    ASSERT_TRUE(CopyFileA(ArtefactPath("VELMORA_IMAGE").c_str(), copy.c_str(), FALSE)) << GetLastError();
    // A finished process: waiting on it returns at once.
    ChildProcess ended("cmd.exe /c exit");
    ASSERT_EQ(0u, ended.WaitForExit(kProcessMs));
    HANDLE inheritable = NULL;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), ended.Handle(), GetCurrentProcess(), &inheritable,
                                SYNCHRONIZE, TRUE, 0)) << GetLastError();
    const std::string handle = std::to_string((INT_PTR)inheritable);

    auto uninstallerPath = [&](const std::string& folder, size_t length) {
        std::string path = folder;
        while (path.size() + 2 + 11 <= length)
            path += "\\.";
        return path + "\\uninst.exe";
    };
    // The folder's name has the parity that lets "\." levels reach each length.
    auto folderFor = [&](size_t length) {
        std::string folder = parent / "i";
        if ((length - 11 - folder.size()) % 2)
            folder += "i";
        CreateDirectoryA(folder.c_str(), NULL);
        return folder;
    };

    struct Case {
        std::string arguments;
        std::string folder;
    };
    std::vector<Case> cases;
    for (size_t length : {259u, 260u, 261u, 300u, 511u, 512u, 513u, 1000u}) {
        std::string folder = folderFor(length);
        std::string path = uninstallerPath(folder, length);
        EXPECT_EQ(length, path.size());
        cases.push_back({handle + " \"" + path + "\"", folder});
        cases.push_back({"0 \"" + path + "\"", folder});
        cases.push_back({"\"" + path + "\"", folder});
        cases.push_back({handle + " \"" + path + "\" " + std::string(length, 'x'), folder});
    }
    for (const Case& c : cases) {
        InstallWithoutUi(c.folder);
        ChildProcess secondStage("\"" + copy + "\" " + c.arguments);
        EXPECT_EQ(0u, secondStage.WaitForExit(kProcessMs)) << c.arguments.size() << " characters of arguments";
        ExpectInstallationIntact(c.folder, std::to_string(c.arguments.size()) + " characters of arguments: " +
                                               c.arguments.substr(0, 40) + "...");
        ForgetInstallation();
    }

    // The control: the same kind of path, as long as still fits, does remove.
    std::string folder = folderFor(258);
    std::string path = uninstallerPath(folder, 258);
    ASSERT_EQ(258u, path.size());
    InstallWithoutUi(folder);
    ChildProcess secondStage("\"" + copy + "\" " + handle + " \"" + path + "\"");
    EXPECT_EQ(0u, secondStage.WaitForExit(kProcessMs));
    ExpectNoInstalledFiles(folder);
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY))
        << "a path of 258 characters through \"\\.\" levels did not remove the installation";
    CloseHandle(inheritable);
}

// Temporary folders near the path limit: the working folder's paths either fit and
// the install succeeds, or the program stops at message 2; no working folder is left
// in the temporary folder or beside it, and nothing is installed on failure.
TEST_F(LongProcessInputs, TemporaryFoldersNearThePathLimitInstallOrFailCleanly)
{
    for (size_t length : {200u, 230u, 235u, 236u, 240u, 243u, 244u, 245u, 246u, 247u, 250u, 258u, 259u, 300u}) {
        ScratchFolder parent;
        std::string temp;
        bool made = MakeFolderOfLength(parent.Path(), length, &temp);
        if (!made)
            temp = PaddedTo(parent.Path(), length, 'M');  // names no folder
        // Up to here a working folder's name ("Vel", four hex digits, ".tmp"), a
        // backslash and install.inf fit in 259 characters beside the folder and its
        // backslash. The name itself is not probed: Wine's GetTempFileNameA runs past
        // its buffer for folders this long.
        bool mustInstall = length + 1 + 11 + 1 + 11 <= 259;
        ScratchFolder destination;
        PackageRun run;
        {
            TemporaryFolderSetting setting(temp);
            run = RunPackage({"yes", "type=" + destination.Path(), "browse-ok", "ok", "wait-gone"});
        }
        std::string label = "TEMP of " + std::to_string(length) + " characters (" +
                            (made ? "made" : "not made") + "): " + Seen(run);
        ASSERT_TRUE(run.robotFinished) << label;
        EXPECT_EQ(0u, run.exitCode) << label;
        ASSERT_EQ(2u, run.seen.size()) << label;
        if (mustInstall) {
            EXPECT_EQ(Box(IDS_INSTALL_DONE), run.seen[1]) << label;
        }
        if (run.seen[1] == Box(IDS_INSTALL_DONE)) {
            ExpectInstalledFiles(destination.Path());
        } else {
            EXPECT_EQ(Box(IDS_COPY_FAILED), run.seen[1]) << label;
            ExpectNoInstalledFiles(destination.Path());
            EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY)) << label;
        }
        if (made) {
            EXPECT_TRUE(EntriesStartingWith(temp, "Vel").empty()) << "a working folder was left, " << label;
            EXPECT_TRUE(FolderExists(temp)) << "the temporary folder itself went, " << label;
        }
        EXPECT_EQ(m_workFoldersBefore, EntriesStartingWith(TempFolder(), "Vel")) << label;
        ForgetInstallation();
    }
}

// The installed uninstaller with a temporary folder near or past the limit: it hands
// over and the removal happens, or it starts nothing; it never removes the temporary
// folder itself and ends with exit code 0.
TEST_F(LongProcessInputs, UninstallerWithATemporaryFolderNearThePathLimit)
{
    for (size_t length : {230u, 246u, 247u, 250u, 258u, 300u}) {
        ScratchFolder installation;
        InstallWithoutUi(installation.Path());
        ScratchFolder parent;
        std::string temp;
        bool made = MakeFolderOfLength(parent.Path(), length, &temp);
        if (!made)
            temp = PaddedTo(parent.Path(), length, 'M');
        // A copy's name ("Del", four hex digits, ".tmp") fits beside any of these
        // folders; the program may still refuse folders past the documented limit of
        // the temporary-name call, but must then leave everything in place.
        bool mustHandOver = length + 1 <= MAX_PATH - 14 - 20;
        std::string label = "TEMP of " + std::to_string(length) + " characters (" + (made ? "made)" : "not made)");
        {
            TemporaryFolderSetting setting(temp);
            ChildProcess uninstaller("\"" + (installation / "uninst.exe") + "\"");
            EXPECT_EQ(0u, uninstaller.WaitForExit(kProcessMs)) << label;
        }
        DWORD start = GetTickCount();
        while (FileExists(installation / "uninst.exe") && GetTickCount() - start < (mustHandOver ? kProcessMs : 3000))
            Sleep(100);
        Sleep(500);
        if (mustHandOver || !FileExists(installation / "uninst.exe")) {
            ExpectNoInstalledFiles(installation.Path());
        } else {
            ExpectInstallationIntact(installation.Path(), label);
        }
        if (made) {
            // The copy's file goes only once the copy has ended.
            start = GetTickCount();
            while (!EntriesStartingWith(temp, "Del").empty() && GetTickCount() - start < kProcessMs)
                Sleep(100);
            EXPECT_TRUE(EntriesStartingWith(temp, "Del").empty()) << "a temporary copy stayed, " << label;
        }
        if (made) {
            EXPECT_TRUE(FolderExists(temp)) << "the temporary folder itself went, " << label;
        }
        ForgetInstallation();
    }
}

}  // namespace
