// Narrow forms of names that the ANSI code page may not spell, against Wine's real
// code page and file system. The cases are written for code page 1252.
#include <gtest/gtest.h>

#include "folderdialog/validate.h"
#include "package/spellable_path.h"
#include "tests/support/environment.h"
#include "tests/support/scratch.h"

namespace {

const WCHAR kPolish[] = L"\u0141\u00f3d\u017a";                                           // Łódź
const char kPolishLookAlike[] = "L\xf3" "dz";                                              // Lódz
const WCHAR kCyrillic[] = L"\u0414\u043c\u0438\u0442\u0440\u0438\u0439 \u0422\u0435\u043c\u043f";  // Дмитрий Темп
const WCHAR kUmlaut[] = L"Tmp \u00d6rdner";

class SpellablePath : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1252u, GetACP()) << "these cases are written for code page 1252"; }
    // A folder under the scratch folder, made by its wide name.
    std::wstring MakeFolder(const std::wstring& name)
    {
        std::wstring path = Widen(m_parent.Path()) + L"\\" + name;
        EXPECT_TRUE(CreateDirectoryW(path.c_str(), NULL)) << Utf8Of(path) << ": " << GetLastError();
        return path;
    }
    ScratchFolder m_parent;
};

struct Spelling {
    const WCHAR* wide;
    const char* ansi;
    int exact;
};

TEST_F(SpellablePath, SpellsWhatTheCodePageHasAndMarksTheRestWithoutLookAlikes)
{
    const Spelling cases[] = {
        {L"C:\\Program Files\\Velmor32", "C:\\Program Files\\Velmor32", 1},
        {L"C:\\Tmp \u00d6rdner", "C:\\Tmp \xd6rdner", 1},
        {L"C:\\\u20ac\u0152\u2122", "C:\\\x80\x8c\x99", 1},  // in the code page's upper half
        {L"C:\\\u0141\u00f3d\u017a", "C:\\?\xf3" "d?", 0},   // best fit would make "Lódz"
        {L"C:\\users\\\u0414\u043c\u0438\u0442\u0440\u0438\u0439 \u0422\u0435\u043c\u043f",
         "C:\\users\\??????? ????", 0},
        {L"C:\\\uff21\uff22", "C:\\??", 0},  // full-width letters, best fit "AB"
        {L"", "", 1},
    };
    for (const Spelling& row : cases) {
        char ansi[MAX_PATH];
        EXPECT_EQ(row.exact, SpellInAnsi(row.wide, ansi, sizeof ansi)) << Utf8Of(row.wide);
        EXPECT_STREQ(row.ansi, ansi) << Utf8Of(row.wide);
        EXPECT_EQ(row.exact, AnsiSpellsWide(ansi, row.wide)) << Utf8Of(row.wide);
        if (!row.exact) {
            EXPECT_EQ(PATH_MALFORMED, CheckPath(ansi, 1))
                << ansi << ": a name with \"?\" must be refused, never taken for another folder";
        }
    }
}

TEST_F(SpellablePath, ALookAlikeIsNotTheName)
{
    EXPECT_FALSE(AnsiSpellsWide("C:\\L\xf3" "dz", L"C:\\\u0141\u00f3d\u017a"));
    EXPECT_FALSE(AnsiSpellsWide("C:\\AB", L"C:\\\uff21\uff22"));
    EXPECT_FALSE(AnsiSpellsWide("C:\\ab", L"C:\\abc"));
    EXPECT_FALSE(AnsiSpellsWide("C:\\abc", L"C:\\ab"));
    EXPECT_TRUE(AnsiSpellsWide("C:\\Tmp \xd6rdner", L"C:\\Tmp \u00d6rdner"));
}

TEST_F(SpellablePath, NeverWritesPastItsBuffer)
{
    struct Row {
        const WCHAR* wide;
        int size;
        int result;
        const char* expected;
    } cases[] = {{L"C:\\abcd", 7, 0, ""},
                 {L"C:\\abcd", 8, 1, "C:\\abcd"},
                 {L"C:\\\u0141\u0141\u0141", 6, 0, ""},
                 {L"C:\\\u0141", 8, 0, "C:\\?"}};
    for (const Row& row : cases) {
        char buffer[16];
        memset(buffer, 'G', sizeof buffer);
        EXPECT_EQ(row.result, SpellInAnsi(row.wide, buffer, row.size)) << Utf8Of(row.wide) << " in " << row.size;
        EXPECT_STREQ(row.expected, buffer) << "a form that does not fit must be left empty";
        for (int i = row.size; i < (int)sizeof buffer; ++i)
            ASSERT_EQ('G', buffer[i]) << "written past " << row.size << " at " << i;
    }
}

// Every existing folder gets a narrow form that the ANSI calls find and that names
// that folder, not its look-alike beside it; a spelt name is kept as it is.
TEST_F(SpellablePath, AnExistingFolderGetsANarrowFormThatNamesIt)
{
    ASSERT_TRUE(CreateDirectoryA((m_parent / kPolishLookAlike).c_str(), NULL)) << GetLastError();
    const struct {
        const WCHAR* name;
        bool spelt;
    } cases[] = {{L"plain", true}, {kUmlaut, true}, {kPolish, false}, {kCyrillic, false}};
    for (const auto& row : cases) {
        std::wstring real = MakeFolder(row.name);
        char ansi[MAX_PATH];
        ASSERT_EQ(1, SpellPath(real.c_str(), ansi, sizeof ansi)) << Utf8Of(real);
        EXPECT_TRUE(FolderExists(std::string(ansi))) << ansi << " is not found by the ANSI calls";
        EXPECT_EQ(Utf8Of(real), Utf8Of(LongNameOf(Widen(ansi)))) << ansi << " names another folder";
        if (row.spelt)
            EXPECT_EQ(Utf8Of(real), Utf8Of(Widen(ansi))) << "a spelt name must stay as it is";
        else
            EXPECT_EQ(AnsiShortForm(real), ansi);
    }
}

TEST_F(SpellablePath, AMissingPathIsKeptWhenSpeltAndRefusedWhenNot)
{
    const std::wstring base = Widen(m_parent.Path());
    char ansi[MAX_PATH];
    std::wstring spelt = base + L"\\missing plain";
    EXPECT_EQ(1, SpellPath(spelt.c_str(), ansi, sizeof ansi));
    EXPECT_EQ(Utf8Of(spelt), Utf8Of(Widen(ansi)));
    std::wstring unspelt = base + L"\\missing " + kPolish;
    memset(ansi, 'x', sizeof ansi);
    EXPECT_EQ(0, SpellPath(unspelt.c_str(), ansi, sizeof ansi)) << "no short form, no narrow name";
    EXPECT_STREQ("", ansi);
}

TEST_F(SpellablePath, RespellingKeepsWhatTheAnsiCallSpeltAndReplacesTheRest)
{
    std::wstring polish = MakeFolder(kPolish);
    std::wstring cyrillic = MakeFolder(kCyrillic);
    ASSERT_TRUE(CreateDirectoryA((m_parent / kPolishLookAlike).c_str(), NULL)) << GetLastError();
    const struct {
        std::string ansiForm;
        std::wstring real;
        std::string expected;
        int result;
    } cases[] = {
        {"C:\\PROGRA~1", L"C:\\PROGRA~1", "C:\\PROGRA~1", 1},
        {m_parent / "Tmp \xd6rdner", Widen(m_parent / "Tmp \xd6rdner"), m_parent / "Tmp \xd6rdner", 1},
        {m_parent / kPolishLookAlike, polish, AnsiShortForm(polish), 1},
        {m_parent / "??????? ????", cyrillic, AnsiShortForm(cyrillic), 1},
        {m_parent / "L\xf3" "dz\\x", polish + L"\\x", "", 0},
    };
    for (const auto& row : cases) {
        char ansi[MAX_PATH];
        lstrcpyA(ansi, row.ansiForm.c_str());
        EXPECT_EQ(row.result, RespellPath(ansi, sizeof ansi, row.real.c_str())) << row.ansiForm;
        EXPECT_EQ(row.expected, ansi) << row.ansiForm;
    }
}

TEST_F(SpellablePath, TheTemporaryFolderIsGivenInAFormThatNamesIt)
{
    std::wstring cyrillic = MakeFolder(kCyrillic);
    const struct {
        std::wstring temp;
        bool exists;
    } cases[] = {
        {Widen(m_parent.Path()), true},
        {cyrillic, true},
        {Widen(m_parent / "missing"), false},
        {Widen(m_parent.Path()) + L"\\missing " + kPolish, false},
    };
    for (const auto& row : cases) {
        TemporaryFolderSetting setting(row.temp);
        char expected[MAX_PATH];
        DWORD expectedLength = GetTempPathA(sizeof expected, expected);
        char temp[MAX_PATH];
        DWORD length = GetSpellableTempPath(temp, sizeof temp);
        WCHAR real[MAX_PATH];
        GetTempPathW(MAX_PATH, real);
        if (AnsiSpellsWide(expected, real)) {
            EXPECT_EQ(expectedLength, length) << expected;
            EXPECT_STREQ(expected, temp) << "a spelt folder must stay as GetTempPathA gives it";
        } else if (row.exists) {
            ASSERT_NE(0u, length) << Utf8Of(row.temp);
            EXPECT_EQ((DWORD)lstrlenA(temp), length);
            EXPECT_EQ(Utf8Of(real), Utf8Of(LongNameOf(Widen(temp)))) << temp << " names another folder";
        } else {
            EXPECT_EQ(0u, length) << Utf8Of(row.temp) << " gave " << temp;
        }
    }
}

TEST_F(SpellablePath, ATemporaryFolderTooLongStaysReportedAsTheAnsiCallDoes)
{
    std::string temp = m_parent.Path() + "\\" + std::string(260, 'T');
    TemporaryFolderSetting setting(temp);
    char ansiCall[MAX_PATH];
    char spellable[MAX_PATH];
    // Wine gives 0 here, Windows the size it would need: either way, the same.
    EXPECT_EQ(GetTempPathA(sizeof ansiCall, ansiCall), GetSpellableTempPath(spellable, sizeof spellable));
}

TEST_F(SpellablePath, TheModulePathIsTheAnsiCallsWhenSpelt)
{
    char expected[MAX_PATH];
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, expected, sizeof expected);
    ASSERT_TRUE(length > 0 && length < sizeof expected) << GetLastError();
    EXPECT_EQ(length, GetSpellableModuleFileName(path, sizeof path));
    EXPECT_STREQ(expected, path);
    EXPECT_EQ(0u, GetSpellableModuleFileName(path, length)) << "a path cut short must not be used";
}

}  // namespace
