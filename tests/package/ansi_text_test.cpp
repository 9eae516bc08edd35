// The character stepping, run once per ANSI code page (ctest sets LANG and
// VELMORA_CODE_PAGE): every answer is compared with the test's own reading of the
// code page, so one table of cases serves single- and double-byte code pages alike.
#include "package/ansi_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/code_page.h"

namespace {

class AnsiText : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(RunsExpectedCodePage()); }
    const UINT codePage = ExpectedCodePage();
};

TEST_F(AnsiText, EveryFirstByteGivesTheCharacterSizeOfTheCodePage)
{
    for (int value = 0x01; value <= 0xFF; ++value) {
        bool lead = IsLeadByteOf(codePage, (unsigned char)value);
        for (char next : {'a', '\\', '|', ' ', '\x81'}) {
            const char text[] = {(char)value, next, 0};
            EXPECT_EQ(lead ? 2 : 1, AnsiCharSize(text))
                << "byte 0x" << std::hex << value << " before 0x" << (int)(unsigned char)next;
            EXPECT_EQ(0, IsHalfAnsiChar(text)) << "byte 0x" << std::hex << value << " is followed";
        }
        const char alone[] = {(char)value, 0};
        EXPECT_EQ(1, AnsiCharSize(alone)) << "byte 0x" << std::hex << value << " before the end";
        EXPECT_EQ(lead ? 1 : 0, IsHalfAnsiChar(alone)) << "byte 0x" << std::hex << value << " alone";
    }
    EXPECT_EQ(0, AnsiCharSize(""));
    EXPECT_EQ(0, IsHalfAnsiChar(""));
}

// Texts whose answers differ between reading bytes and reading characters. The
// lead bytes used (0x81, 0x83, 0x94, 0x95) lead in all four double-byte code pages.
struct SearchCase {
    const char* text;
    char wanted;
    int lastInBytes;       // offset of the last wanted byte, -1 for none
    int lastInCharacters;  // the same where a lead byte takes the byte after it
};

const SearchCase kLastSign[] = {
    {"", '\\', -1, -1},
    {"C:\\a\\b", '\\', 4, 4},
    {"C:\\\x83\x5C", '\\', 4, 2},               // "C:\ソ"
    {"C:\\\x83\x5C\\x", '\\', 5, 5},
    {"\x95\x5C", '\\', 1, -1},                  // "表"
    {"\x95\x5C\x94\x5C", '\\', 3, -1},           // "表能"
    {"a\\\x83", '\\', 1, 1},                    // a lead byte at the end
    {"a\\\x83\\\\", '\\', 4, 4},                 // a lead byte before two backslashes
    {"Velmora\x81\x7CNeu", '|', 8, -1},         // "Velmora－Neu"
    {"a|\x81\x7C", '|', 3, 1},
    {"a \x81 b", ' ', 3, 1},                    // a lead byte takes a blank too
    {"x \x95\x5C\\y", ' ', 1, 1},
};

TEST_F(AnsiText, FindsTheLastSignOnlyWhereACharacterBegins)
{
    bool doubleByte = IsLeadByteOf(codePage, 0x81);
    for (const SearchCase& c : kLastSign) {
        std::string text = c.text;
        int expected = doubleByte ? c.lastInCharacters : c.lastInBytes;
        const char* found = FindLastAnsiChar(text.c_str(), c.wanted);
        EXPECT_EQ(expected, found ? (int)(found - text.c_str()) : -1)
            << "last '" << c.wanted << "' in \"" << EscapedBytes(text) << "\"";
        char* writable = &text[0];
        char* foundWritable = FindLastAnsiChar(writable, c.wanted);
        EXPECT_EQ(found ? writable + (found - text.c_str()) : nullptr, foundWritable)
            << "the two forms disagree on \"" << EscapedBytes(text) << "\"";
    }
}

struct MarkCase {
    const char* text;
    const char* mark;
    int atInBytes;
    int atInCharacters;
};

const MarkCase kMarks[] = {
    {"", "uninst.exe", -1, -1},
    {"uninst.exe", "uninst.exe", 0, 0},
    {"C:\\x\\uninst.exe /q", "uninst.exe", 5, 5},
    {"C:\\\x83uninst.exe", "uninst.exe", 4, -1},     // "C:\ブninst.exe"
    {"C:\\\x83uuninst.exe", "uninst.exe", 5, 5},
    {"Uninst.exe", "uninst.exe", -1, -1},
    {"a,b\x81,c", ",c", 4, -1},
    {"abc", "", 0, 0},
};

TEST_F(AnsiText, FindsAMarkOnlyWhereACharacterBegins)
{
    bool doubleByte = IsLeadByteOf(codePage, 0x81);
    for (const MarkCase& c : kMarks) {
        int expected = doubleByte ? c.atInCharacters : c.atInBytes;
        const char* found = FindAnsiText(c.text, c.mark);
        EXPECT_EQ(expected, found ? (int)(found - c.text) : -1)
            << "\"" << c.mark << "\" in \"" << EscapedBytes(c.text) << "\"";
    }
}

// Random texts crowded with lead bytes, backslashes and bars: every character
// boundary, every last sign and every cut agree with the test's own decoding.
class Disagreements {
public:
    void Add(const std::string& what)
    {
        if (++m_count <= 20)
            ADD_FAILURE() << what;
    }
    int Count() const { return m_count; }

private:
    int m_count = 0;
};

std::vector<size_t> SteppedStarts(const std::string& text)
{
    std::vector<size_t> starts;
    for (size_t at = 0;; at += AnsiCharSize(text.c_str() + at)) {
        starts.push_back(at);
        if (at >= text.size())
            return starts;
    }
}

TEST_F(AnsiText, GeneratedTextsAgreeWithTheCodePage)
{
    std::mt19937 random(913u);
    const char kBytes[] = {'\\', '|', ' ', 'a', '\x81', '\x83', '\x95', '\x9f', '\xa0', '\xe0',
                           '\xfc', '\xfd', '\xfe', '\xff', '\x40', '\x80'};
    Disagreements disagreements;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        size_t length = random() % 12;
        for (size_t i = 0; i < length; ++i)
            text += random() % 3 ? kBytes[random() % sizeof kBytes] : (char)(1 + random() % 255);
        const std::string shown = "\"" + EscapedBytes(text) + "\"";

        std::vector<size_t> starts = CharacterStarts(codePage, text);
        if (SteppedStarts(text) != starts)
            disagreements.Add("character starts of " + shown);

        for (char wanted : {'\\', '|', ' '}) {
            int expected = -1;
            for (size_t i = 0; i + 1 < starts.size(); ++i)
                if (text[starts[i]] == wanted)
                    expected = (int)starts[i];
            const char* found = FindLastAnsiChar(text.c_str(), wanted);
            if (expected != (found ? (int)(found - text.c_str()) : -1))
                disagreements.Add(std::string("last '") + wanted + "' in " + shown);
        }
        for (size_t offset = 0; offset <= text.size() + 1; ++offset) {
            size_t expected = text.size();
            for (size_t start : starts)
                if (start >= offset) {
                    expected = start;
                    break;
                }
            int got = AnsiCharStartFrom(text.c_str(), (int)offset);
            if ((size_t)got != expected)
                disagreements.Add("cut at " + std::to_string(offset) + " of " + shown + ": expected " +
                                  std::to_string(expected) + ", got " + std::to_string(got));
        }
        if (!text.empty()) {
            size_t last = starts[starts.size() - 2];
            bool half = last + 1 == text.size() && IsLeadByteOf(codePage, text[last]);
            if (half != (IsHalfAnsiChar(text.c_str() + last) != 0))
                disagreements.Add("half a character at the end of " + shown);
        }
    }
    EXPECT_EQ(0, disagreements.Count()) << "expected the stepping to agree with code page " << codePage;
}

}  // namespace
