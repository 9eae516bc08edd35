// Packages of generated payloads (make_payloads.py), installed by the real program
// driven by the robot, compared byte for byte, then removed by their uninstaller.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <utility>

#include "tests/e2e/life_cycle.h"
#include "tests/support/environment.h"
#include "tests/support/installation.h"
#include "tests/support/process.h"
#include "tests/support/scratch.h"

namespace {

const size_t kImageSize = 57344;
const size_t kInfSize = 2518;
// A bound for each robot step, the install of a large payload among them.
const DWORD kStepTimeoutMs = 600000;

// What make_payloads.py wrote into case.txt beside the package.
struct PayloadCase {
    std::string folder;
    std::string displayName;
    std::vector<std::pair<std::string, std::string>> shortcuts;  // title, file
    std::string settingsKey;
};

PayloadCase ReadCase(const std::string& name)
{
    PayloadCase payloadCase;
    payloadCase.folder = ArtefactPath("VELMORA_PAYLOAD_CASES") + "\\" + name;
    std::ifstream manifest(payloadCase.folder + "\\case.txt");
    std::string line;
    while (std::getline(manifest, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t equals = line.find('=');
        std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "display") {
            payloadCase.displayName = value;
        } else if (key == "settings") {
            payloadCase.settingsKey = value;
        } else if (key == "shortcut") {
            size_t split = value.find('=');
            payloadCase.shortcuts.emplace_back(value.substr(0, split), value.substr(split + 1));
        }
    }
    EXPECT_FALSE(payloadCase.displayName.empty()) << "no case.txt in " << payloadCase.folder;
    return payloadCase;
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return names;
    do
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(entry.cFileName);
    while (FindNextFileA(listing, &entry));
    FindClose(listing);
    std::sort(names.begin(), names.end());
    return names;
}

std::string GroupFolder()
{
    std::string shortcut = StartMenuShortcut("x");
    return shortcut.substr(0, shortcut.rfind('\\'));
}

bool Gone(const std::string& path) { return !FileExists(path); }
bool Present(const std::string& path) { return FileExists(path); }
bool FolderGone(const std::string& path) { return !FolderExists(path); }
bool NoCopyIn(const std::string& folder) { return EntriesStartingWith(folder, "Del").empty(); }

}  // namespace

class PayloadInstall : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        m_case = ReadCase(GetParam());
        Forget();
        m_workFoldersBefore = EntriesStartingWith(TempFolder(), "Vel");
    }
    void TearDown() override { Forget(); }

    void Forget()
    {
        ForgetInstallation();
        if (!m_case.settingsKey.empty()) {
            RegDeleteTreeA(HKEY_CURRENT_USER, m_case.settingsKey.c_str());
            RegDeleteKeyA(HKEY_CURRENT_USER, m_case.settingsKey.c_str());
        }
        for (const auto& shortcut : m_case.shortcuts)
            DeleteFileA(StartMenuShortcut(shortcut.first.c_str()).c_str());
        RemoveDirectoryA(GroupFolder().c_str());
    }

    void ExpectPayloadInstalled(const std::string& destination)
    {
        const std::string payload = m_case.folder + "\\payload";
        std::vector<std::string> expected = FilesIn(payload);
        ASSERT_FALSE(expected.empty()) << "no payload in " << payload;
        expected.push_back("Install.inf");
        expected.push_back("uninst.exe");
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(expected, FilesIn(destination)) << "the installed folder holds other files than the payload";
        for (const std::string& name : FilesIn(payload)) {
            std::string want = ReadWholeFile(payload + "\\" + name), got = ReadWholeFile(destination + "\\" + name);
            EXPECT_TRUE(want == got) << "'" << name << "': expected " << want.size() << " bytes of the payload, "
                                     << "installed " << got.size() << " bytes that differ";
        }
        const std::string package = ReadWholeFile(m_case.folder + "\\package.exe");
        EXPECT_TRUE(ReadWholeFile(destination + "\\uninst.exe") == package.substr(0, kImageSize));
        EXPECT_TRUE(ReadWholeFile(destination + "\\Install.inf") == package.substr(kImageSize, kInfSize));
    }

    PayloadCase m_case;
    std::vector<std::string> m_workFoldersBefore;
};

TEST_P(PayloadInstall, InstallsByteForByteAndUninstallsToNothing)
{
    ScratchFolder destination;
    PackageRun run = RunPackage({"yes", "type=" + destination.Path(), "browse-ok", "ok"},
                                "\"" + m_case.folder + "\\package.exe\"", NULL, NULL, kStepTimeoutMs);
    ASSERT_TRUE(run.robotFinished) << run.robotError;
    ASSERT_EQ(Box(IDS_INSTALL_DONE), run.seen.back());

    ExpectPayloadInstalled(destination.Path());
    EXPECT_EQ(m_case.displayName, RegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName"));
    EXPECT_EQ(ShortPath(destination.Path()) + "\\uninst.exe",
              RegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"));
    for (const auto& shortcut : m_case.shortcuts) {
        EXPECT_TRUE(WaitUntil(Present, StartMenuShortcut(shortcut.first.c_str()), 10000))
            << "no Start-menu item '" << shortcut.first << "' for " << shortcut.second;
    }
    EXPECT_EQ(m_workFoldersBefore, EntriesStartingWith(TempFolder(), "Vel"));
    // The application's own settings, as it would write them.
    if (!m_case.settingsKey.empty()) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, m_case.settingsKey.c_str(), "Starts",
                                                 REG_DWORD, "\1\0\0\0", 4));
    }

    ChildProcess uninstaller("\"" + (destination / "uninst.exe") + "\"");
    EXPECT_EQ(0u, uninstaller.WaitForExit(20000));
    EXPECT_TRUE(WaitUntil(Gone, destination / "uninst.exe", 60000)) << "the uninstaller did not remove itself";
    EXPECT_TRUE(WaitUntil(NoCopyIn, TempFolder(), 15000)) << "a temporary copy is left";

    EXPECT_EQ(std::vector<std::string>(), FilesIn(destination.Path())) << "files left in the installed folder";
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    if (!m_case.settingsKey.empty()) {
        EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, m_case.settingsKey.c_str()))
            << "settings key " << m_case.settingsKey << " is left";
    }
    for (const auto& shortcut : m_case.shortcuts) {
        EXPECT_TRUE(WaitUntil(Gone, StartMenuShortcut(shortcut.first.c_str()), 10000))
            << "Start-menu item '" << shortcut.first << "' is left";
    }
    EXPECT_TRUE(WaitUntil(FolderGone, GroupFolder(), 10000)) << "the Start-menu group is left";
}

INSTANTIATE_TEST_SUITE_P(Generated, PayloadInstall, ::testing::Values("mixed", "full", "single_empty"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });
