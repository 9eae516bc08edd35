// Destination folders named in Japanese, in the ANSI code page 932 (ctest runs this
// program with LANG=ja_JP.UTF-8). Creation is judged by what the file system holds,
// read through the wide interface so that no code-page conversion of ours is trusted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/instance.h"
#include "folderdialog/validate.h"
#include "resources/resource.h"
#include "tests/dbcs/japanese_text.h"
#include "tests/folderdialog/robot_process.h"
#include "tests/support/code_page.h"
#include "tests/support/scratch.h"

namespace {

class JapaneseFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RunsExpectedCodePage());
        ASSERT_EQ(932u, ExpectedCodePage()) << "this program checks code page 932";
        g_hInstance = GetModuleHandleA(NULL);
    }
};

// The names found in folder, through the wide interface.
std::vector<std::wstring> WideEntries(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(listing, &entry));
    FindClose(listing);
    return names;
}

bool WideFolderExists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

struct FormCase {
    const char* path;
    int code;  // CheckPath(path, 1)
};

const FormCase kForms[] = {
    {"C:\\" JA_SOFTWARE, 0},
    {"C:\\" JA_SOFTWARE "\\" JA_ABILITIES "\\" JA_VELMORA_NEW, 0},
    {"C:\\" JA_SO, 0},                      // ends in the byte 0x5C, inside a character
    {"C:\\" JA_HYO "\\" JA_SO, 0},
    {"C:\\\x81\x7C", 0},                    // "－" alone
    {"C:\\\x83\x7C" "a", 0},                // "ポa"
    {"C:\\\x83\\b", 0},                     // the same bytes as "ソb": one name
    {"C:\\a\x81\x40", 0},                   // the ideographic space is no blank
    {"C:\\a\x81 ", 0},                      // a lead byte takes the byte after it, as the system does
    {"C:\\" JA_SO "\\", 1},                 // a real backslash at the end
    {"C:\\" JA_SO "\\\\b", 1},              // a real backslash doubled
    {"C:\\" JA_SO "|", 1},                  // a real bar
    {"C:\\Velmora|Neu", 1},
    {"C:\\" JA_SO "?", 1},
    {"C:\\" JA_SO " ", 1},
    {"C:\\" JA_SO ".", 1},
    {"C:\\ " JA_SO, 1},
    {"C:\\ab\x83", 1},                      // half a character at the end
    {"C:\\\x83", 1},
    {"C:\\" JA_SOFTWARE "\\\x95", 1},
    {JA_SO ":\\a", 1},                      // no drive letter
};

TEST_F(JapaneseFolders, TheFormIsJudgedByCharacters)
{
    for (const FormCase& c : kForms) {
        std::string copy = c.path;
        EXPECT_EQ(c.code, CheckPath(copy.c_str(), 1)) << "path \"" << EscapedBytes(c.path) << "\"";
        EXPECT_EQ(std::string(c.path), copy) << "CheckPath changed the caller's string";
    }
}

struct NameCase {
    const char* name;
    int valid;
};

const NameCase kNames[] = {
    {JA_SOFTWARE, 1}, {JA_ABILITIES, 1}, {JA_VELMORA_NEW, 1}, {JA_SO JA_HYO, 1},
    {JA_SO "|", 0},   {"|" JA_SO, 0},    {JA_SO "\\", 0},      {JA_SO " ", 0},
    {" " JA_SO, 0},   {JA_SO ".", 0},    {"ab\x83", 0},        {"\x83", 0},
};

TEST_F(JapaneseFolders, NamesAreJudgedByCharacters)
{
    for (const NameCase& c : kNames)
        EXPECT_EQ(c.valid, IsValidPathComponent(c.name)) << "name \"" << EscapedBytes(c.name) << "\"";
}

TEST_F(JapaneseFolders, CreatesEachLevelWhole)
{
    ScratchFolder scratch;
    const std::string path = scratch / JA_SOFTWARE "\\" JA_ABILITIES "\\" JA_VELMORA_NEW;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, CheckPath(path.c_str(), 0)) << EscapedBytes(path) << ", error " << GetLastError();

    // Each level holds exactly the next name: no folder was made from part of one.
    const std::wstring root = WidenAscii(scratch.Path());
    const std::wstring levels[] = {root, root + L"\\" JA_SOFTWARE_W,
                                   root + L"\\" JA_SOFTWARE_W L"\\" JA_ABILITIES_W};
    const std::wstring names[] = {JA_SOFTWARE_W, JA_ABILITIES_W, JA_VELMORA_NEW_W};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(std::vector<std::wstring>{names[i]}, WideEntries(levels[i])) << "level " << i + 1;
    EXPECT_TRUE(WideFolderExists(levels[2] + L"\\" JA_VELMORA_NEW_W)) << "the last level is missing";
}

TEST_F(JapaneseFolders, AsksForAndCreatesAMissingJapaneseFolder)
{
    ScratchFolder scratch;
    const std::string path = scratch / JA_SOFTWARE "\\" JA_VELMORA_NEW;
    AnsweredCall call = CallAnswered({"yes"}, 10000, [&] { return ValidateDestination(path.c_str()); });
    EXPECT_EQ(0, call.result) << call.Describe();
    ASSERT_EQ(1u, call.seen.size()) << call.Describe();
    EXPECT_EQ(ExpectedBox(IDS_FOLDER_MISSING, path), call.seen[0]) << "the path must stand whole in the box";
    EXPECT_TRUE(call.leftOver.empty()) << call.Describe();
    EXPECT_TRUE(WideFolderExists(WidenAscii(scratch.Path()) + L"\\" JA_SOFTWARE_W L"\\" JA_VELMORA_NEW_W))
        << EscapedBytes(path) << " was not created";
}

TEST_F(JapaneseFolders, ARealBarOrDoubledBackslashIsStillRefused)
{
    ScratchFolder scratch;
    const std::string refused[] = {scratch / JA_SOFTWARE "\\Velmora|Neu", scratch / JA_SO "|",
                                   scratch / JA_SO "\\\\" JA_HYO, scratch / JA_SOFTWARE "\\"};
    for (const std::string& path : refused) {
        AnsweredCall call = CallAnswered({"ok"}, 10000, [&] { return ValidateDestination(path.c_str()); });
        EXPECT_EQ(1, call.result) << EscapedBytes(path) << ": " << call.Describe();
        ASSERT_EQ(1u, call.seen.size()) << EscapedBytes(path) << ": " << call.Describe();
        EXPECT_EQ(ExpectedBox(IDS_FOLDER_INVALID, path), call.seen[0]);
        EXPECT_TRUE(call.leftOver.empty()) << call.Describe();
    }
    EXPECT_TRUE(WideEntries(WidenAscii(scratch.Path())).empty()) << "a refused path had a level created";
}

}  // namespace
