#include "driver/propose.h"

#include "folderdialog/validate.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/installation.h"

#define CURRENT_VERSION_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"

struct UninstallStringCase {
    std::string value;
    const char* folder;
};

TEST(FolderFromUninstallString, CutsBothFormsAndTakesAQuotedPathFromItsQuotes)
{
    const UninstallStringCase cases[] = {
        {"C:\\PROGRA~1\\Velmor32\\uninst.exe", "C:\\PROGRA~1\\Velmor32"},
        {"RUNDLL32.EXE SETUPAPI.DLL,InstallHinfSection DefaultUninstall 132 "
         "C:\\PROGRA~1\\Velmor32\\install.inf", "C:\\PROGRA~1\\Velmor32"},
        {"C:\\WINDOWS\\RUNDLL32.EXE SETUPAPI.DLL,InstallHinfSection DefaultUninstall 132 install.inf",
         "install.inf"},
        {"uninst.exe", "uninst.exe"},
        {"\"C:\\Program Files\\Velmor32\\uninst.exe\"", "C:\\Program Files\\Velmor32"},
        {"\"C:\\Program Files\\Velmor32\\uninst.exe\" /S \"C:\\x\"", "C:\\Program Files\\Velmor32"},
        {"\"C:\\Program Files\\Velmor32\\uninst.exe", "C:\\Program Files\\Velmor32"},
        {"\"uninst.exe\"", "uninst.exe"},
        {"\"\"", ""},
        {"\"C:\\WINDOWS\\RUNDLL32.EXE\" SETUPAPI.DLL,InstallHinfSection DefaultUninstall 132 "
         "C:\\PROGRA~1\\Velmor32\\install.inf", "C:\\PROGRA~1\\Velmor32"},
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
    StoreUninstallString(REG_EXPAND_SZ, std::string("C:\\%Apps%\\Velmora\\uninst.exe") + '\0');
    EXPECT_EQ("C:\\%Apps%\\Velmora", Proposed()) << "an expandable value is used unexpanded";
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

struct ProposalCase {
    const char* stored;  // the value as another tool might have written it
    const char* proposed;  // NULL: the default folder
};

// Whatever forms the two values take, the proposal is a folder that the browser's own
// check accepts: the previous folder when it is one, else the default.
TEST_F(Propose, EveryUninstallStringGivesAFolderTheCheckAccepts)
{
    const ProposalCase cases[] = {
        {"\"C:\\Program Files\\Velmor32\\uninst.exe\"", "C:\\Program Files\\Velmor32"},
        {"\"C:\\Program Files\\Velmor32\\uninst.exe\" /S", "C:\\Program Files\\Velmor32"},
        {"C:\\PROGRA~1\\Velmor32\\uninst.exe /S", "C:\\PROGRA~1\\Velmor32"},
        {"D:\\uninst.exe", NULL},
        {"uninst.exe", NULL},
        {"\"uninst.exe\"", NULL},
        {"C:\\WINDOWS\\RUNDLL32.EXE SETUPAPI.DLL,InstallHinfSection DefaultUninstall 132 install.inf", NULL},
        {"rundll32.exe setupapi.dll,installhinfsection defaultuninstall 132 C:\\V\\install.inf", NULL},
        {"C:\\Velmor32\\uninst.exe /log=C:\\setup.log", NULL},
        {"\"C:\\Program Files\\Velmor32\\\\uninst.exe\"", NULL},
        {"C:\\nul\\uninst.exe", NULL},
        {"C:\\Apps\\lpt1.log\\uninst.exe", NULL},
        {"\\\\server\\share\\Velmor32\\uninst.exe", NULL},
        {"%ProgramFiles%\\Velmor32\\uninst.exe", NULL},
    };
    for (const ProposalCase& c : cases) {
        StoreUninstallString(REG_SZ, std::string(c.stored) + '\0');
        const std::string proposed = Proposed();
        EXPECT_EQ(c.proposed ? c.proposed : m_programFiles + "\\Velmor32", proposed) << c.stored;
        EXPECT_EQ(PATH_OK, CheckPath(proposed.c_str(), 1)) << proposed << " from " << c.stored;
    }
}

TEST_F(Propose, ProgramFilesDirIsJoinedWithExactlyOneBackslash)
{
    ForgetInstallation();
    const ProposalCase cases[] = {
        {"C:\\Program Files", "C:\\Program Files\\Velmor32"},
        {"C:\\Program Files\\", "C:\\Program Files\\Velmor32"},
        {"C:\\Program Files\\\\", "C:\\Program Files\\Velmor32"},
        {"D:\\", "D:\\Velmor32"},
        {"d:", "d:\\Velmor32"},
        {"\\", "c:\\progra~1\\Velmor32"},
        {"Program Files", "c:\\progra~1\\Velmor32"},
        {"%ProgramFiles%", "c:\\progra~1\\Velmor32"},
        {"\\\\server\\apps", "c:\\progra~1\\Velmor32"},
        {"C:\\Program Files\\\\x86", "c:\\progra~1\\Velmor32"},
        {"C:\\con", "c:\\progra~1\\Velmor32"},
    };
    for (const ProposalCase& c : cases) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY, "ProgramFilesDir",
                                                 REG_SZ, c.stored, (DWORD)strlen(c.stored) + 1));
        const std::string proposed = Proposed();
        EXPECT_EQ(c.proposed, proposed) << "ProgramFilesDir " << c.stored;
        EXPECT_EQ(PATH_OK, CheckPath(proposed.c_str(), 1)) << proposed << " from " << c.stored;
    }
}
