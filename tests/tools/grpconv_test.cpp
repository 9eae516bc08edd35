#include "tests/support/process.h"
#include "tests/support/scratch.h"
#include "tools/grpconv/setup_ini.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

namespace {

struct ItemCase {
    const char* line;
    ItemAction action;
    const char* title;
    const char* command;
};

const ItemCase kItemLines[] = {
    {"\"Velmora\", \"C:\\V\\velmora.exe\",,, Velmor32", ITEM_ADD, "Velmora", "C:\\V\\velmora.exe"},
    {"\"Velmora\", \"C:\\V\\velmora.exe\",,, Velmor32=", ITEM_ADD, "Velmora", "C:\\V\\velmora.exe"},
    {"\"Velmora\", \"C:\\V\\velmora.exe\"", ITEM_ADD, "Velmora", "C:\\V\\velmora.exe"},
    {"  \"Readme\" ,\"C:\\Program Files\\V\\readme.txt\"  ,,,Velmor32 =", ITEM_ADD, "Readme",
     "C:\\Program Files\\V\\readme.txt"},
    {"\"A, B\", \"C:\\V\\a,b.exe\",,, V", ITEM_ADD, "A, B", "C:\\V\\a,b.exe"},
    {"\"Velmora\"", ITEM_REMOVE, "Velmora", ""},
    {"\"Velmora\"=", ITEM_REMOVE, "Velmora", ""},
    {" \"Velmora Readme\" = ", ITEM_REMOVE, "Velmora Readme", ""},
    {"\"Velmora\",", ITEM_IGNORED, "", ""},
    {"\"Velmora\", \"\",,, V", ITEM_IGNORED, "", ""},
    {"Velmora, \"C:\\V\\velmora.exe\"", ITEM_IGNORED, "", ""},
    {"\"\", \"C:\\V\\velmora.exe\"", ITEM_IGNORED, "", ""},
    {"\"..\\Startup\\x\", \"C:\\V\\velmora.exe\"", ITEM_IGNORED, "", ""},
    {"\"Velmora", ITEM_IGNORED, "", ""},
    {"", ITEM_IGNORED, "", ""},
    {"=", ITEM_IGNORED, "", ""},
};

TEST(GrpconvParser, ReadsItemLinesWithAndWithoutTrailingEquals)
{
    for (const ItemCase& c : kItemLines) {
        ItemLine item = ParseItemLine(c.line);
        EXPECT_EQ(c.action, item.action) << "line [" << c.line << "]";
        if (c.action == ITEM_IGNORED)
            continue;
        EXPECT_EQ(c.title, item.title) << "line [" << c.line << "]";
        EXPECT_EQ(c.command, item.command) << "line [" << c.line << "]";
    }
}

struct GroupCase {
    const char* line;
    bool valid;
    const char* section;
    const char* title;
};

const GroupCase kGroupLines[] = {
    {"group42=Velmora", true, "group42", "Velmora"},
    {" group42 = Velmora Tools ", true, "group42", "Velmora Tools"},
    {"group42=\"Velmora\"", true, "group42", "Velmora"},
    {"group42=", false, "", ""},
    {"group42", false, "", ""},
    {"=Velmora", false, "", ""},
    {"group42=..", false, "", ""},
    {"group42=Start\\Velmora", false, "", ""},
};

TEST(GrpconvParser, ReadsGroupLines)
{
    for (const GroupCase& c : kGroupLines) {
        GroupLine group = ParseGroupLine(c.line);
        EXPECT_EQ(c.valid, group.valid) << "line [" << c.line << "]";
        if (!c.valid)
            continue;
        EXPECT_EQ(c.section, group.section) << "line [" << c.line << "]";
        EXPECT_EQ(c.title, group.title) << "line [" << c.line << "]";
    }
}

TEST(GrpconvParser, SplitsASectionBufferWithinItsLength)
{
    const char buffer[] = "group1=A\0\"B\"=\0\0";
    EXPECT_EQ((std::vector<std::string>{"group1=A", "\"B\"="}),
              SectionLines(buffer, sizeof buffer - 2));
    EXPECT_EQ(std::vector<std::string>{}, SectionLines("\0", 0));
    // A buffer that the length cuts inside a line ends there, not at a later zero.
    EXPECT_EQ(std::vector<std::string>{"gro"}, SectionLines(buffer, 3));
}

// The real grpconv.exe from the prefix's Windows folder against a real setup.ini
// and the user's Programs folder. An existing setup.ini is kept aside.
class GrpconvRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(NULL)));
        char windows[MAX_PATH];
        ASSERT_NE(0u, GetWindowsDirectoryA(windows, sizeof windows)) << GetLastError();
        m_windows = windows;
        m_iniPath = m_windows + "\\setup.ini";
        m_hadIni = FileExists(m_iniPath);
        if (m_hadIni)
            m_savedIni = ReadWholeFile(m_iniPath);
        char programs[MAX_PATH];
        ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(NULL, CSIDL_PROGRAMS | CSIDL_FLAG_CREATE,
                                               NULL, 0, programs)));
        m_group = std::string(programs) + "\\" + kGroupTitle;
        ASSERT_FALSE(FolderExists(m_group)) << m_group << " is there before the test";
        m_program = m_target / "velmora.exe";
        m_readme = m_target / "readme.txt";
        WriteWholeFile(m_program, "MZ");
        WriteWholeFile(m_readme, "readme");
    }

    void TearDown() override
    {
        RemoveTree(m_group);
        DeleteFileA(m_iniPath.c_str());
        if (m_hadIni)
            WriteWholeFile(m_iniPath, m_savedIni);
        CoUninitialize();
    }

    void RunGrpconv(const std::string& ini)
    {
        WriteWholeFile(m_iniPath, ini);
        ChildProcess grpconv("\"" + m_windows + "\\grpconv.exe\" /o");
        ASSERT_TRUE(grpconv.Started());
        DWORD exitCode = grpconv.WaitForExit(30000);
        EXPECT_EQ(0u, exitCode) << "grpconv exit code (259: still running)";
        EXPECT_FALSE(FileExists(m_iniPath)) << "expected setup.ini consumed";
    }

    std::string Link(const char* title) const { return m_group + "\\" + title + ".lnk"; }

    // The target of a shortcut, or "<unreadable>".
    static std::string ShortcutTarget(const std::string& linkPath)
    {
        std::string target = "<unreadable>";
        IShellLinkA* link = NULL;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    (void**)&link)))
            return target;
        IPersistFile* file = NULL;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
            std::wstring widePath(linkPath.begin(), linkPath.end());
            char path[MAX_PATH];
            if (SUCCEEDED(file->Load(widePath.c_str(), STGM_READ)) &&
                link->GetPath(path, sizeof path, NULL, 0) == S_OK)
                target = path;
            file->Release();
        }
        link->Release();
        return target;
    }

    void ExpectShortcut(const char* title, const std::string& target)
    {
        ASSERT_TRUE(FileExists(Link(title))) << "expected " << Link(title);
        std::string actual = ShortcutTarget(Link(title));
        EXPECT_EQ(0, lstrcmpiA(target.c_str(), actual.c_str()))
            << Link(title) << ": expected target " << target << ", got " << actual;
    }

    std::string GroupLines(const std::string& items) const
    {
        return std::string("[progman.groups]\r\ngroup77=") + kGroupTitle +
               "\r\n\r\n[group77]\r\n" + items;
    }

    static constexpr const char* kGroupTitle = "Velmora Grpconv Test";
    ScratchFolder m_target;
    std::string m_windows, m_iniPath, m_savedIni, m_group, m_program, m_readme;
    bool m_hadIni = false;
};

TEST_F(GrpconvRun, MakesTheGroupAndRemovesItWithItsLastShortcut)
{
    RunGrpconv(GroupLines("\"Velmora\", \"" + m_program + "\",,, Velmor32=\r\n"
                          "\"Velmora Readme\", \"" + m_readme + "\",,, Velmor32\r\n"));
    ASSERT_TRUE(FolderExists(m_group)) << "expected the group folder " << m_group;
    ExpectShortcut("Velmora", m_program);
    ExpectShortcut("Velmora Readme", m_readme);

    RunGrpconv(GroupLines("\"Velmora\"=\r\n"));
    EXPECT_FALSE(FileExists(Link("Velmora"))) << "expected " << Link("Velmora") << " removed";
    ExpectShortcut("Velmora Readme", m_readme);
    EXPECT_TRUE(FolderExists(m_group)) << "the group went while it still had a shortcut";

    RunGrpconv(GroupLines("\"Velmora Readme\"\r\n"));
    EXPECT_FALSE(FileExists(Link("Velmora Readme"))) << "expected the shortcut removed";
    EXPECT_FALSE(FolderExists(m_group)) << "expected the empty group folder removed";
}

TEST_F(GrpconvRun, AppliesLinesInFileOrder)
{
    // An install's lines followed by a removal's, as Wine leaves them when
    // setup.ini is not consumed in between, and the other way round.
    RunGrpconv(GroupLines("\"Velmora\", \"" + m_program + "\",,, Velmor32=\r\n"
                          "\"Velmora\"=\r\n"
                          "\"Velmora Readme\"=\r\n"
                          "\"Velmora Readme\", \"" + m_readme + "\",,, Velmor32=\r\n"));
    EXPECT_FALSE(FileExists(Link("Velmora"))) << "expected the later removal to win";
    ExpectShortcut("Velmora Readme", m_readme);
}

}  // namespace
