// The package path when the command line holds letters the ANSI code page cannot
// spell: the narrow token where it spells the real name, else a form naming the file.
#include <gtest/gtest.h>

#include "driver/command_line.h"
#include "driver/package_path.h"
#include "tests/support/scratch.h"

namespace {

// The wide token must follow the narrow rule exactly, or the two could name
// different files.
TEST(PackagePath, TheWideTokenFollowsTheNarrowRule)
{
    std::vector<std::string> lines = {
        "C:\\a\\setup.exe",
        "  C:\\a\\setup.exe   -x",
        "\"C:\\with blank\\setup.exe\" arg",
        "\"C:\\unclosed\\setup.exe",
        "C:\\tab\there.exe x",
        "C:\\quote\"inside.exe y",
        "\"\"",
        "   ",
        "",
        "\"C:\\a\\setup.exe\"",
    };
    for (int length = 257; length <= 262; ++length) {
        lines.push_back("\"" + std::string(length, 'q') + "\" x");
        lines.push_back(std::string(length, 'u') + " x");
    }
    for (const std::string& line : lines) {
        char narrow[MAX_PATH];
        WCHAR wide[MAX_PATH];
        int narrowResult = TakePackagePath(line.c_str(), narrow, sizeof narrow);
        EXPECT_EQ(narrowResult, TakeWideFirstToken(Widen(line).c_str(), wide, MAX_PATH)) << line;
        EXPECT_EQ(Utf8Of(Widen(narrow)), Utf8Of(wide)) << line;
    }
}

class SpellablePackagePath : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(1252u, GetACP()) << "these cases are written for code page 1252";
        m_real = Widen(m_downloads.Path()) + L"\\\u0141\u00f3d\u017a";  // Łódź
        ASSERT_TRUE(CreateDirectoryW(m_real.c_str(), NULL)) << GetLastError();
        ASSERT_TRUE(CreateDirectoryA(LookAlike().c_str(), NULL)) << GetLastError();
        HANDLE file = CreateFileW((m_real + L"\\setup.exe").c_str(), GENERIC_WRITE, 0, NULL,
                                  CREATE_NEW, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << GetLastError();
        DWORD written;
        WriteFile(file, "real", 4, &written, NULL);
        CloseHandle(file);
        WriteWholeFile(LookAlike() + "\\setup.exe", "look-alike");
    }
    // What the ANSI calls make of "Łódź": a folder of its own here.
    std::string LookAlike() { return m_downloads / "L\xf3" "dz"; }

    ScratchFolder m_downloads;
    std::wstring m_real;
};

TEST_F(SpellablePackagePath, TheTokenNamesTheFileThatWasStarted)
{
    const std::string lookAlike = LookAlike() + "\\setup.exe";
    const std::wstring real = m_real + L"\\setup.exe";
    const struct {
        std::string narrowLine;
        std::wstring wideLine;
        const char* content;  // of the file the result names; null: names none
    } cases[] = {
        // Started from "Łódź": the ANSI line shows the look-alike, the file is the real one.
        {"\"" + lookAlike + "\" /x", L"\"" + real + L"\" /x", "real"},
        {lookAlike + " /x", real + L" /x", "real"},
        // Started from the look-alike itself: that one, exactly as today.
        {"\"" + lookAlike + "\"", Widen("\"" + lookAlike + "\""), "look-alike"},
        // A name with no short form names nothing, rather than its look-alike.
        {"\"" + LookAlike() + "\\missing.exe\"", L"\"" + m_real + L"\\missing.exe\"", nullptr},
        {"\"" + m_downloads / "??????\\setup.exe\"",
         L"\"" + Widen(m_downloads.Path()) + L"\\\u0414\u043c\u0438\u0442\u0440\u0438\u0439\\setup.exe\"", nullptr},
    };
    for (const auto& row : cases) {
        char packagePath[MAX_PATH];
        int result = TakeSpellablePackagePath(row.narrowLine.c_str(), row.wideLine.c_str(),
                                              packagePath, sizeof packagePath);
        if (!row.content) {
            EXPECT_EQ(0, result) << row.narrowLine;
            EXPECT_STREQ("", packagePath) << row.narrowLine;
            continue;
        }
        EXPECT_EQ(1, result) << row.narrowLine;
        EXPECT_EQ(row.content, ReadWholeFile(packagePath)) << row.narrowLine << " gave " << packagePath;
    }
}

TEST_F(SpellablePackagePath, ASpeltTokenIsKeptAsTheNarrowRuleGivesIt)
{
    const std::string lines[] = {
        "VelmoraSetup",  // relative, without extension: names no file, used unchanged
        "\"" + m_downloads / "Tmp \xd6rdner\\VelmoraSetup.exe\" x",
        "  " + m_downloads / "setup.exe",
    };
    for (const std::string& line : lines) {
        char expected[MAX_PATH];
        char packagePath[MAX_PATH];
        ASSERT_EQ(1, TakePackagePath(line.c_str(), expected, sizeof expected));
        EXPECT_EQ(1, TakeSpellablePackagePath(line.c_str(), Widen(line).c_str(), packagePath,
                                              sizeof packagePath));
        EXPECT_STREQ(expected, packagePath) << line;
    }
    // Too long for the narrow rule stays refused, whatever a short form would give.
    std::string tooLong = "\"" + std::string(260, 'q') + "\"";
    char packagePath[MAX_PATH];
    EXPECT_EQ(0, TakeSpellablePackagePath(tooLong.c_str(), Widen(tooLong).c_str(), packagePath,
                                          sizeof packagePath));
    EXPECT_STREQ("", packagePath);
}

}  // namespace
