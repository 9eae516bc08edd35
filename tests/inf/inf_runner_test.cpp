#include "package/inf_runner.h"

#include <gtest/gtest.h>

#include "tests/support/installation.h"
#include "tests/support/scratch.h"

// Runs the real package INF through Wine's Setup API, from a working folder laid
// out as the split leaves it into a destination folder of its own.
class InfRunner : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForgetInstallation();
        // grpconv would consume setup.ini at once; these tests look at setup.ini itself.
        MoveFileA(WindowsFile("grpconv.exe").c_str(), WindowsFile("grpconv.off").c_str());
        LayOutWorkFolder(m_work.Path());
    }
    void TearDown() override
    {
        MoveFileA(WindowsFile("grpconv.off").c_str(), WindowsFile("grpconv.exe").c_str());
        ForgetInstallation();
    }

    int Install() { return RunInfSection(m_work.Path().c_str(), m_destination.Path().c_str(), "DefaultInstall"); }
    int Uninstall()
    {
        return RunInfSection(m_destination.Path().c_str(), m_destination.Path().c_str(),
                             "DefaultUninstall");
    }

    ScratchFolder m_work;
    ScratchFolder m_destination;
};

TEST_F(InfRunner, InstallPutsEveryFileRegistryValueAndMenuEntryInPlace)
{
    SetLastError(0xdeadbeef);
    ASSERT_EQ(1, Install()) << GetLastError();
    ExpectInstalledFiles(m_destination.Path());
    EXPECT_EQ("Karvenko's Velmora for Win32 1.0",
              RegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName"));
    EXPECT_EQ(m_destination / "uninst.exe",
              RegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"));

    std::string setupIni = ReadWholeFile(WindowsFile("setup.ini"));
    EXPECT_NE(std::string::npos, setupIni.find("group42=Velmora")) << setupIni;
    EXPECT_NE(std::string::npos, setupIni.find("\"" + (m_destination / "velmora.exe") + "\""))
        << setupIni;
}

TEST_F(InfRunner, UninstallRemovesListedFilesAndKeysButKeepsTheFolder)
{
    ASSERT_EQ(1, Install());
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, SETTINGS_KEY, "Starts", REG_DWORD,
                                             "\1\0\0\0", 4));
    WriteWholeFile(m_destination / "notes.txt", "the user's own file");

    SetLastError(0xdeadbeef);
    ASSERT_EQ(1, Uninstall()) << GetLastError();
    ExpectNoInstalledFiles(m_destination.Path());
    EXPECT_TRUE(FileExists(m_destination / "notes.txt")) << "a file outside the list was removed";
    EXPECT_TRUE(FolderExists(m_destination.Path()));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, SETTINGS_KEY));

    EXPECT_EQ(0, Uninstall()) << "no install.inf is left, so a second removal must fail";
}

TEST_F(InfRunner, InstallAgainOverAnEarlierInstallation)
{
    ASSERT_EQ(1, Install());
    WriteWholeFile(m_destination / "readme.txt", "changed by the user");
    ASSERT_EQ(1, Install());
    ExpectInstalledFiles(m_destination.Path());
}

TEST_F(InfRunner, RefusesSourcesThatAreNoPackageInf)
{
    ScratchFolder noInf;
    ScratchFolder unsigned_;
    WriteWholeFile(unsigned_ / "install.inf",
                   "[DefaultInstall]\r\nAddReg=Keys\r\n[Keys]\r\n"
                   "HKLM,Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmor32,"
                   "\"DisplayName\",,\"planted\"\r\n");
    std::string tooLong = m_work.Path() + "\\" + std::string(247 - m_work.Path().size(), 'x');
    ASSERT_TRUE(CreateDirectoryA(tooLong.c_str(), NULL)) << tooLong << ": " << GetLastError();
    LayOutWorkFolder(tooLong);

    for (const std::string& source : {noInf.Path(), unsigned_.Path(), tooLong}) {
        EXPECT_EQ(0, RunInfSection(source.c_str(), m_destination.Path().c_str(), "DefaultInstall"))
            << source;
        ExpectNoInstalledFiles(m_destination.Path());
        EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY)) << source;
        EXPECT_FALSE(FileExists(WindowsFile("setup.ini"))) << source;
    }
}
