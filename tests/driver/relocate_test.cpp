#include "driver/relocate.h"

#include <gtest/gtest.h>

#include <string>

TEST(SecondStageCommandLine, QuotesBothPathsSoThatBlanksKeepTheWordsInPlace)
{
    char commandLine[SECOND_STAGE_COMMAND_LINE_SIZE];
    ASSERT_EQ(1, FormatSecondStageCommandLine(commandLine, sizeof commandLine,
                                              "C:\\users\\John Smith\\Temp\\Del1A2B.tmp",
                                              (HANDLE)(INT_PTR)1236,
                                              "C:\\Program Files\\Velmor32\\uninst.exe"));
    EXPECT_STREQ("\"C:\\users\\John Smith\\Temp\\Del1A2B.tmp\" 1236 "
                 "\"C:\\Program Files\\Velmor32\\uninst.exe\"",
                 commandLine);

    ASSERT_EQ(1, FormatSecondStageCommandLine(commandLine, sizeof commandLine, "C:\\T\\Del1.tmp",
                                              (HANDLE)(INT_PTR)-2, "C:\\V\\uninst.exe"));
    EXPECT_STREQ("\"C:\\T\\Del1.tmp\" -2 \"C:\\V\\uninst.exe\"", commandLine)
        << "a handle is printed as a signed decimal";
}

TEST(SecondStageCommandLine, ALineThatWouldNotFitIsNotFormed)
{
    // Two paths of the longest kind leave no room in 512 characters.
    const std::string copy = "C:\\" + std::string(256, 't');
    const std::string uninstaller = "C:\\" + std::string(256, 'u');
    char commandLine[SECOND_STAGE_COMMAND_LINE_SIZE + 64];
    memset(commandLine, 'X', sizeof commandLine);
    EXPECT_EQ(0, FormatSecondStageCommandLine(commandLine, SECOND_STAGE_COMMAND_LINE_SIZE,
                                              copy.c_str(), (HANDLE)(INT_PTR)1236,
                                              uninstaller.c_str()));
    EXPECT_EQ('X', commandLine[SECOND_STAGE_COMMAND_LINE_SIZE]) << "written past the buffer";

    // The longest pair that fits with the widest handle.
    const std::string shorter = "C:\\" + std::string(512 - 259 - 4 - 2 - 11 - 1 - 3, 's');
    EXPECT_EQ(1, FormatSecondStageCommandLine(commandLine, SECOND_STAGE_COMMAND_LINE_SIZE,
                                              copy.c_str(), (HANDLE)(INT_PTR)(-2147483647 - 1),
                                              shorter.c_str()));
    EXPECT_LT(strlen(commandLine), (size_t)SECOND_STAGE_COMMAND_LINE_SIZE);
}
