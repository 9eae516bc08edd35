#include "driver/propose.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/installation.h"

#define CURRENT_VERSION_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"

struct UninstallStringCase {
    std::string value;
    const char* folder;
};

TEST(FolderFromUninstallString, CutsBothFormsAsTheExamplesShow)
{
    const UninstallStringCase cases[] = {
        {"C:\\PROGRA~1\\Velmor32\\uninst.exe", "C:\\PROGRA~1\\Velmor32"},
        {"RUNDLL32.EXE SETUPAPI.DLL,InstallHinfSection DefaultUninstall 132 "
         "C:\\PROGRA~1\\Velmor32\\install.inf", "C:\\PROGRA~1\\Velmor32"},
        {"C:\\WINDOWS\\RUNDLL32.EXE SETUPAPI.DLL,InstallHinfSection DefaultUninstall 132 install.inf",
         "install.inf"},
        {"uninst.exe", "uninst.exe"},
        {"\"C:\\Program Files\\Velmor32\\uninst.exe\"", "\"C:\\Program Files\\Velmor32"},
        {"RUNDLL32.EXE SETUPAPI.DLL,InstallHinfSection DefaultUninstall 132 ", ""},
        {"rundll32.exe setupapi.dll,installhinfsection defaultuninstall 132 C:\\V\\install.inf",
         "rundll32.exe setupapi.dll,installhinfsection defaultuninstall 132 C:\\V"},
        {"", ""},
    };
    for (const UninstallStringCase& c : cases) {
        char value[MAX_PATH];
        lstrcpyA(value, c.value.c_str());
        char folder[MAX_PATH] = "untouched";
        FolderFromUninstallString(value, folder);
        EXPECT_STREQ(c.folder, folder) << c.value;
    }
}

// ProposeDestination against the test prefix's real registry.
class Propose : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForgetInstallation();
        m_programFiles = RegistryString(HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY, "ProgramFilesDir");
        ASSERT_NE("<missing>", m_programFiles);
    }
    void TearDown() override
    {
        ForgetInstallation();
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY, "ProgramFilesDir", REG_SZ,
                        m_programFiles.c_str(), (DWORD)m_programFiles.size() + 1);
    }
    static void StoreUninstallString(DWORD type, const std::string& bytes)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString",
                                                 type, bytes.data(), (DWORD)bytes.size()));
    }
    static std::string Proposed()
    {
        char folder[MAX_PATH + 16];
        memset(folder, 'X', sizeof folder);
        ProposeDestination(folder);
        EXPECT_EQ('X', folder[MAX_PATH]) << "written past the folder buffer";
        return folder;
    }

    std::string m_programFiles;
};

TEST_F(Propose, DefaultIsProgramFilesPlusTheProductFolder)
{
    EXPECT_EQ(m_programFiles + "\\Velmor32", Proposed());
}

TEST_F(Propose, PreviousInstallationIsProposedWithoutTheSuffixAgain)
{
    StoreUninstallString(REG_SZ, std::string("C:\\PROGRA~1\\Velmor32\\uninst.exe", 31) + '\0');
    EXPECT_EQ("C:\\PROGRA~1\\Velmor32", Proposed());
    StoreUninstallString(REG_EXPAND_SZ, std::string("%SystemDrive%\\Velmora\\uninst.exe") + '\0');
    EXPECT_EQ("%SystemDrive%\\Velmora", Proposed()) << "an expandable value is used unexpanded";
}

TEST_F(Propose, ValuesThatCannotBeTakenGiveTheDefault)
{
    const std::string longest = "C:\\" + std::string(252, 'v') + "\\u.x";  // 259 characters
    StoreUninstallString(REG_SZ, longest + '\0');
    EXPECT_EQ(longest.substr(0, 255), Proposed()) << "a value of 259 characters is used";

    const std::string fallback = m_programFiles + "\\Velmor32";
    for (const std::string& bytes :
         {std::string("C:\\" + std::string(253, 'v') + "\\u.x") + '\0',  // 260 characters
          std::string("C:\\V\\uninst.exe"),                              // no terminating zero
          std::string(260, 'v'),                                         // fills the buffer
          std::string("C:\\" + std::string(300, 'v')) + '\0',
          std::string("RUNDLL32.EXE SETUPAPI.DLL,InstallHinfSection DefaultUninstall 132 ") + '\0',
          std::string(1, '\0')}) {
        // Binary, since Wine's ANSI reading of a string value adds a terminator of its own.
        StoreUninstallString(REG_BINARY, bytes);
        EXPECT_EQ(fallback, Proposed()) << bytes.size() << " bytes: " << bytes.c_str();
    }
}

TEST_F(Propose, WithoutProgramFilesDirTheParentIsTheShortDefault)
{
    const std::string tooLong = "C:\\" + std::string(250, 'p') + '\0';  // no room for the suffix
    for (const std::string& bytes : {std::string(1, '\0'), tooLong}) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY,
                                                 "ProgramFilesDir", REG_SZ, bytes.data(),
                                                 (DWORD)bytes.size()));
        EXPECT_EQ("c:\\progra~1\\Velmor32", Proposed()) << bytes.size();
    }
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY, "ProgramFilesDir");
    EXPECT_EQ("c:\\progra~1\\Velmor32", Proposed());
}
