// Path messages in the ANSI code page 932, with whichever string table the resource
// lookup picks for a Japanese thread: a path is shown whole where it fits, and a long
// one is shortened between characters, never inside one. The system's own decoder
// judges the shown text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/instance.h"
#include "folderdialog/validate.h"
#include "resources/messages.h"
#include "resources/resource.h"
#include "tests/dbcs/japanese_text.h"
#include "tests/folderdialog/robot_process.h"
#include "tests/resources/expected_texts.h"
#include "tests/support/code_page.h"
#include "tests/support/scratch.h"

namespace {

const size_t kTextSize = MAX_PATH;

struct LoadedFormat {
    UINT id;
    std::string format;
    size_t room;  // the longest path that fits beside the format's own text
};

class JapanesePathMessages : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RunsExpectedCodePage());
        ASSERT_EQ(932u, ExpectedCodePage()) << "this program checks code page 932";
        g_hInstance = GetModuleHandleA(NULL);
        for (UINT id : {IDS_FOLDER_MISSING, IDS_FOLDER_INVALID, IDS_FOLDER_NOT_CREATED}) {
            char format[MAX_PATH];
            ASSERT_GT(LoadStringA(g_hInstance, id, format, sizeof format), 0) << "text " << id << ", error "
                                                                              << GetLastError();
            const char* placeholder = strstr(format, "%s");
            ASSERT_NE(nullptr, placeholder) << "text " << id << " has no %s: " << format;
            size_t beside = strlen(format) - 2;
            formats.push_back({id, format, kTextSize - 1 - beside});
        }
    }
    std::vector<LoadedFormat> formats;
};

// Decodes with MB_ERR_INVALID_CHARS: fails on a text cut inside a character.
bool DecodesWhole(const std::string& text)
{
    wchar_t wide[2 * MAX_PATH];
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.c_str(), (int)text.size(), wide,
                               2 * MAX_PATH) > 0;
}

std::string Format(const LoadedFormat& row, const std::string& path)
{
    char text[kTextSize + 64];
    memset(text, 'Z', sizeof text);
    int length = FormatPathMessage(text, kTextSize, row.format.c_str(), path.c_str());
    EXPECT_TRUE(length >= 0 && (size_t)length < kTextSize) << "length " << length;
    EXPECT_EQ('Z', text[kTextSize]) << "written past the text buffer";
    return length >= 0 && (size_t)length < kTextSize ? std::string(text, length) : std::string();
}

// The path's part of a formatted text, after checking the text around it.
std::string ShownPath(const std::string& text, const std::string& format)
{
    size_t at = format.find("%s");
    std::string before = format.substr(0, at), after = format.substr(at + 2);
    if (text.size() < before.size() + after.size() || text.compare(0, before.size(), before) != 0 ||
        text.compare(text.size() - after.size(), after.size(), after) != 0) {
        ADD_FAILURE() << "the format's own text was lost: " << EscapedBytes(text);
        return std::string();
    }
    return text.substr(before.size(), text.size() - before.size() - after.size());
}

// Characters with a 0x5C second byte, and an 'a' to make up an odd count.
std::string JapaneseName(size_t bytes)
{
    std::string name;
    while (name.size() + 2 <= bytes)
        name += JA_SO;
    return name.size() < bytes ? name + "a" : name;
}

// "C:\" + names of such characters + "\" + last, exactly length bytes long.
std::string JapanesePath(size_t length, const std::string& last)
{
    const std::string name = JapaneseName(10);
    std::string path = "C:\\";
    while (path.size() + name.size() + 1 + 1 + 1 + last.size() <= length)
        path += name + "\\";
    return path + JapaneseName(length - path.size() - 1 - last.size()) + "\\" + last;
}

// One of the two tables answers, whichever the lookup's fallback picks, converted to
// this code page as LoadStringA converts every text; the other tests hold for either.
TEST_F(JapanesePathMessages, TheFallbackPicksOneOfTheTwoTables)
{
    for (const LoadedFormat& row : formats) {
        const CatalogueText* catalogue = FindCatalogueText(row.id);
        std::string tables[2];
        const char* written[2] = {catalogue->german, catalogue->english};
        for (int i = 0; i < 2; ++i) {
            wchar_t wide[MAX_PATH];
            char converted[2 * MAX_PATH];
            int length = MultiByteToWideChar(1252, 0, written[i], -1, wide, MAX_PATH);
            ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, wide, length, converted, sizeof converted, NULL, NULL), 0);
            tables[i] = converted;
        }
        EXPECT_TRUE(row.format == tables[0] || row.format == tables[1])
            << "text " << row.id << " is neither table: " << EscapedBytes(row.format);
        RecordProperty("table", row.format == tables[1] ? "English" : "German");
    }
}

TEST_F(JapanesePathMessages, APathThatFitsStandsWhole)
{
    for (const LoadedFormat& row : formats) {
        for (size_t length : {size_t(20), row.room - 1, row.room}) {
            std::string path = JapanesePath(length, JA_ABILITIES);
            ASSERT_EQ(length, path.size());
            EXPECT_EQ(WithPath(row.format.c_str(), path), Format(row, path))
                << "text " << row.id << ", path of " << length << " bytes";
        }
    }
}

TEST_F(JapanesePathMessages, ALongPathKeepsItsDriveAndWholeLastName)
{
    for (const LoadedFormat& row : formats) {
        for (size_t length : {row.room + 1, row.room + 2, size_t(259)}) {
            std::string path = JapanesePath(length, JA_ABILITIES JA_SO);
            EXPECT_EQ(EscapedBytes("C:\\...\\" JA_ABILITIES JA_SO), EscapedBytes(ShownPath(Format(row, path), row.format)))
                << "text " << row.id << ", path of " << length << " bytes";
        }
    }
}

// A last name too long for the room: its end stays, from the first whole character
// that fits. The name is shifted by one byte so that the cut meets both halves.
TEST_F(JapanesePathMessages, ALastNameTooLongIsCutBetweenCharacters)
{
    for (const LoadedFormat& row : formats) {
        for (const char* shift : {"", "a"}) {
            std::string last = shift;
            while (last.size() < row.room)
                last += JA_SO JA_HYO "\x81\x7C";
            std::string path = JapanesePath(259, last);
            std::string shown = ShownPath(Format(row, path), row.format);
            ASSERT_EQ(0u, shown.find("C:\\...")) << EscapedBytes(shown);
            std::string end = shown.substr(6);
            EXPECT_TRUE(DecodesWhole(end)) << "cut inside a character: " << EscapedBytes(end);
            size_t firstFitting = path.size() - (row.room - 6);
            size_t expectedStart = path.size();
            for (size_t start : CharacterStarts(932, path))
                if (start >= firstFitting) {
                    expectedStart = start;
                    break;
                }
            EXPECT_EQ(EscapedBytes(path.substr(expectedStart)), EscapedBytes(end))
                << "text " << row.id << ", shift \"" << shift << "\"";
        }
    }
}

// A long path through a real box, read by the robot as the user sees it: the last
// name, whose characters end in 0x5C and 0x7C, stays whole after "C:\...".
TEST_F(JapanesePathMessages, TheBoxShowsALongPathWithItsWholeLastName)
{
    ScratchFolder scratch;
    const std::string last = JA_ABILITIES "\\" JA_VELMORA_NEW JA_SO;
    std::string path = scratch.Path();
    while (path.size() + 1 + last.size() + 13 <= 259)
        path += "\\" JA_SOFTWARE JA_SO JA_SO JA_SO;
    path += "\\" + last;
    ASSERT_LE(path.size(), 259u);
    ASSERT_GT(path.size(), formats[0].room) << "the path must need shortening";
    AnsweredCall call = CallAnswered({"no"}, 10000, [&] { return ValidateDestination(path.c_str()); });
    EXPECT_EQ(-1, call.result) << call.Describe();
    ASSERT_EQ(1u, call.seen.size()) << call.Describe();
    EXPECT_EQ(EscapedBytes(ExpectedBox(IDS_FOLDER_MISSING, "C:\\...\\" JA_VELMORA_NEW JA_SO)),
              EscapedBytes(call.seen[0]));
}

}  // namespace
