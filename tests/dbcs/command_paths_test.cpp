// The proposal, the second stage and the command line in the ANSI code page 932:
// every cut at a backslash, blank or mark falls where a character begins.
#include <gtest/gtest.h>

#include <string>

#include "driver/command_line.h"
#include "driver/propose.h"
#include "tests/dbcs/japanese_text.h"
#include "tests/support/code_page.h"
#include "tests/support/installation.h"

namespace {

class JapaneseCommandPaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RunsExpectedCodePage());
        ASSERT_EQ(932u, ExpectedCodePage()) << "this program checks code page 932";
    }
};

#define INF_COMMAND "RUNDLL32.EXE SETUPAPI.DLL,InstallHinfSection DefaultUninstall 132 "

struct UninstallStringCase {
    const char* value;
    const char* folder;
};

// A byte-wise cut would end most of these inside "表" (0x95 0x5C).
const UninstallStringCase kUninstallStrings[] = {
    {"C:\\" JA_SOFTWARE "\\" JA_HYO "\\uninst.exe", "C:\\" JA_SOFTWARE "\\" JA_HYO},
    {"C:\\" JA_SOFTWARE "\\" JA_HYO, "C:\\" JA_SOFTWARE},
    {JA_HYO, JA_HYO},
    {JA_SOFTWARE "uninst.exe", JA_SOFTWARE "uninst.exe"},
    {INF_COMMAND "C:\\" JA_SOFTWARE "\\" JA_HYO "\\install.inf", "C:\\" JA_SOFTWARE "\\" JA_HYO},
    {INF_COMMAND JA_HYO ".inf", JA_HYO ".inf"},
    {INF_COMMAND "C:\\" JA_SO, "C:"},
};

TEST_F(JapaneseCommandPaths, TheUninstallStringIsCutAtARealBackslash)
{
    for (const UninstallStringCase& c : kUninstallStrings) {
        char value[MAX_PATH];
        lstrcpyA(value, c.value);
        char folder[MAX_PATH] = "untouched";
        FolderFromUninstallString(value, folder);
        EXPECT_EQ(EscapedBytes(c.folder), EscapedBytes(folder)) << "from \"" << EscapedBytes(c.value) << "\"";
    }
}

// The value as the installer's INF writes it, in UTF-16; the program reads it through
// the ANSI interface, converted to code page 932 by the registry.
TEST_F(JapaneseCommandPaths, APreviousFolderEndingInSuchACharacterIsProposedWhole)
{
    struct StoredCase {
        const wchar_t* stored;
        const char* proposed;
    } const cases[] = {
        {L"C:\\" JA_SOFTWARE_W L"\\\u8868\\uninst.exe", "C:\\" JA_SOFTWARE "\\" JA_HYO},
        {L"C:\\" JA_SOFTWARE_W L"\\" JA_ABILITIES_W L"\\\u30BD\\uninst.exe",
         "C:\\" JA_SOFTWARE "\\" JA_ABILITIES "\\" JA_SO},
        {L"C:\\" JA_SOFTWARE_W L"\\\u8868", "C:\\" JA_SOFTWARE},
    };
    for (const StoredCase& c : cases) {
        ForgetInstallation();
        const std::wstring stored = c.stored;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"" UNINSTALL_KEY, L"UninstallString", REG_SZ,
                                  stored.c_str(), (DWORD)((stored.size() + 1) * sizeof(wchar_t))));
        char folder[MAX_PATH + 16];
        memset(folder, 'X', sizeof folder);
        ProposeDestination(folder);
        EXPECT_EQ('X', folder[MAX_PATH]) << "written past the folder buffer";
        folder[MAX_PATH] = 0;
        EXPECT_EQ(EscapedBytes(c.proposed), EscapedBytes(folder));
    }
    ForgetInstallation();
}

TEST_F(JapaneseCommandPaths, TheSecondStageCutsItsPathAtARealBackslash)
{
    struct ArgumentCase {
        const char* path;
        const char* folder;
    } const cases[] = {
        {"C:\\" JA_SOFTWARE "\\" JA_HYO "\\uninst.exe", "C:\\" JA_SOFTWARE "\\" JA_HYO},
        {"C:\\" JA_SOFTWARE "\\" JA_HYO, "C:\\" JA_SOFTWARE},
        {JA_HYO, JA_HYO},
    };
    for (const ArgumentCase& c : cases) {
        char* arguments[] = {(char*)"Del1.tmp", (char*)"124", (char*)c.path};
        HANDLE process = NULL;
        char folder[MAX_PATH] = "untouched";
        ASSERT_EQ(1, ParseSecondStageArguments(3, arguments, &process, folder, sizeof folder));
        EXPECT_EQ((HANDLE)124, process);
        EXPECT_EQ(EscapedBytes(c.folder), EscapedBytes(folder)) << "from \"" << EscapedBytes(c.path) << "\"";
    }
}

TEST_F(JapaneseCommandPaths, ThePackagePathAndTheMarkAreReadByCharacters)
{
    struct LineCase {
        const char* line;
        const char* packagePath;
        StartMode mode;
    } const cases[] = {
        {"\"C:\\" JA_SOFTWARE "\\" JA_HYO "\\VelmoraSetup.exe\" x", "C:\\" JA_SOFTWARE "\\" JA_HYO "\\VelmoraSetup.exe",
         START_INSTALL},
        {"C:\\" JA_HYO "\\a.exe -x", "C:\\" JA_HYO "\\a.exe", START_INSTALL},
        // The text "uninst.exe" only where a character begins: "ブninst.exe" is no mark.
        {"C:\\" JA_BU "ninst.exe", "C:\\" JA_BU "ninst.exe", START_INSTALL},
        {"\"C:\\" JA_SOFTWARE "\\uninst.exe\"", "C:\\" JA_SOFTWARE "\\uninst.exe", START_RELOCATION},
        // A lead byte takes the byte after it, a blank too, as the system reads the text.
        {"C:\\a\x81 b", "C:\\a\x81 b", START_INSTALL},
    };
    for (const LineCase& c : cases) {
        char packagePath[MAX_PATH] = "untouched";
        EXPECT_EQ(1, TakePackagePath(c.line, packagePath, sizeof packagePath));
        EXPECT_EQ(EscapedBytes(c.packagePath), EscapedBytes(packagePath)) << "from \"" << EscapedBytes(c.line) << "\"";
        EXPECT_EQ(c.mode, SelectStartMode(1, c.line)) << "for \"" << EscapedBytes(c.line) << "\"";
    }
}

}  // namespace
