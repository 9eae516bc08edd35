#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <string>

struct CommandLineCase {
    const char* commandLine;
    int argumentCount;  // as the standard splitting rules count for this line
    StartMode mode;
    const char* packagePath;
};

static const CommandLineCase kCommandLines[] = {
    {"C:\\dl\\VelmoraSetup.exe", 1, START_INSTALL, "C:\\dl\\VelmoraSetup.exe"},
    {"C:\\dl\\VelmoraSetup.exe   ", 1, START_INSTALL, "C:\\dl\\VelmoraSetup.exe"},
    {"\"C:\\My Files\\setup.exe\"", 1, START_INSTALL, "C:\\My Files\\setup.exe"},
    {"\"C:\\My Files\\setup.exe\"  ", 1, START_INSTALL, "C:\\My Files\\setup.exe"},
    {"\"C:\\My Files\\setup.exe", 1, START_INSTALL, "C:\\My Files\\setup.exe"},
    {"   ", 1, START_INSTALL, ""},
    {"\"\"", 1, START_INSTALL, ""},
    {"C:\\a\"b\\setup.exe", 1, START_INSTALL, "C:\\a\"b\\setup.exe"},
    {"C:\\tab\there\\setup.exe", 1, START_INSTALL, "C:\\tab\there\\setup.exe"},
    {"C:\\PROGRA~1\\Velmor32\\uninst.exe", 1, START_RELOCATION, "C:\\PROGRA~1\\Velmor32\\uninst.exe"},
    {"C:\\dl\\myuninst.exe.bak", 1, START_RELOCATION, "C:\\dl\\myuninst.exe.bak"},
    {"C:\\uninst.exe.d\\setup.exe", 1, START_RELOCATION, "C:\\uninst.exe.d\\setup.exe"},
    {"C:\\PROGRA~1\\Velmor32\\UNINST.EXE", 1, START_INSTALL, "C:\\PROGRA~1\\Velmor32\\UNINST.EXE"},
    {"C:\\Temp\\Del1A.tmp 72 \"C:\\V\\uninst.exe\"", 3, START_SECOND_STAGE, "C:\\Temp\\Del1A.tmp"},
    {" C:\\dl\\setup.exe", 2, START_SECOND_STAGE, "C:\\dl\\setup.exe"},
};

TEST(CommandLine, ChoosesModeAndPackagePathAsTheTableSays)
{
    for (const CommandLineCase& c : kCommandLines) {
        EXPECT_EQ(c.mode, SelectStartMode(c.argumentCount, c.commandLine)) << c.commandLine;
        char packagePath[MAX_PATH];
        EXPECT_EQ(1, TakePackagePath(c.commandLine, packagePath, sizeof packagePath))
            << c.commandLine;
        EXPECT_STREQ(c.packagePath, packagePath) << c.commandLine;
    }
}

TEST(CommandLine, PackagePathThatDoesNotFitIsEmptyNeverCut)
{
    for (size_t length : {258u, 259u, 260u, 261u, 1000u}) {
        std::string path = "C:\\" + std::string(length - 3, 'a');
        for (const std::string& line : {path, "\"" + path + "\" ", path + " x"}) {
            char packagePath[MAX_PATH + 8];
            memset(packagePath, 'X', sizeof packagePath);
            int fits = TakePackagePath(line.c_str(), packagePath, MAX_PATH);
            EXPECT_EQ(length <= 259 ? 1 : 0, fits) << length;
            EXPECT_EQ(length <= 259 ? path : std::string(), std::string(packagePath)) << length;
            EXPECT_EQ('X', packagePath[MAX_PATH]) << "written past the buffer at " << length;
        }
    }
}

TEST(CommandLine, MarkIsFoundAnywhereInALongCommandLine)
{
    std::string line = "\"C:\\" + std::string(400, 'v') + "\\uninst.exe\"";
    EXPECT_EQ(START_RELOCATION, SelectStartMode(1, line.c_str()));
}

struct SecondStageCase {
    std::vector<std::string> arguments;
    int accepted;
    INT_PTR handle;
    const char* folder;
};

TEST(SecondStageArguments, AcceptsOnlyAHandleAndAPath)
{
    const SecondStageCase cases[] = {
        {{"copy", "72", "C:\\PROGRA~1\\Velmor32\\uninst.exe"}, 1, 72, "C:\\PROGRA~1\\Velmor32"},
        {{"copy", "  +72", "C:\\V\\uninst.exe", "extra"}, 1, 72, "C:\\V"},
        {{"copy", "72abc", "C:\\V\\uninst.exe"}, 1, 72, "C:\\V"},
        {{"copy", "-4", "C:\\V\\uninst.exe"}, 1, -4, "C:\\V"},
        {{"copy", "72", "uninst.exe"}, 1, 72, "uninst.exe"},
        {{"copy", "72", "C:\\uninst.exe"}, 1, 72, "C:"},
        {{"copy", "C:\\Downloads\\dropped.txt"}, 0, 0, nullptr},
        {{"copy", "abc", "C:\\V\\uninst.exe"}, 0, 0, nullptr},
        {{"copy", "0", "C:\\V\\uninst.exe"}, 0, 0, nullptr},
        {{"copy", "72", "C:\\" + std::string(257, 'p')}, 0, 0, nullptr},
        {{"copy", "72", "C:\\" + std::string(256, 'p')}, 1, 72, "C:"},
    };
    for (const SecondStageCase& c : cases) {
        std::vector<char*> arguments;
        for (const std::string& argument : c.arguments)
            arguments.push_back(const_cast<char*>(argument.c_str()));
        HANDLE process = nullptr;
        char folder[MAX_PATH] = "untouched";
        int accepted = ParseSecondStageArguments((int)arguments.size(), arguments.data(), &process,
                                                 folder, sizeof folder);
        EXPECT_EQ(c.accepted, accepted) << c.arguments[1];
        if (accepted) {
            EXPECT_EQ(c.handle, (INT_PTR)process) << c.arguments[1];
            EXPECT_STREQ(c.folder, folder) << c.arguments[2];
        }
    }
}
