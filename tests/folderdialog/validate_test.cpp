#include "folderdialog/validate.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "driver/instance.h"
#include "resources/resource.h"
#include "tests/folderdialog/robot_process.h"
#include "tests/support/scratch.h"

namespace {

struct FormCase {
    std::string path;
    int code;  // CheckPath(path, 1)
};

std::string Repeat(char c, size_t count) { return std::string(count, c); }

// "C:\" and names of 'a' filling the path to exactly length characters.
std::string PathOfLength(size_t length)
{
    std::string path = "C:\\";
    while (path.size() < length) {
        size_t room = length - path.size();
        path += Repeat('a', room > 200 ? 200 : room);
        if (path.size() < length - 1)
            path += "\\";
    }
    return path;
}

const FormCase kForms[] = {
    {"C:\\", 0},
    {"z:\\", 0},
    {"c:\\Program Files\\Velmor32", 0},
    {"C:\\a", 0},
    {"C:\\My Folder.v2\\sub dir", 0},
    {"C:\\na\xefve\\\xc4rger \xfc", 0},
    {"C:\\a\tb", 0},
    {"C:\\\x01lead\x1f", 0},
    {"C:\\ok~!#$%&'()+,;=@[]^_`{}\x7f", 0},
    {"", 1},
    {"C", 1},
    {"C:", 1},
    {"C:a", 1},
    {"C:/a", 1},
    {" C:\\a", 1},
    {"1:\\a", 1},
    {"\xc4:\\a", 1},
    {"@:\\a", 1},
    {"[:\\a", 1},
    {"\\\\server\\share", 1},
    {"\\a\\b", 1},
    {"a\\b", 1},
    {"C:\\a\\", 1},
    {"C:\\a\\\\b", 1},
    {"C:\\\\a", 1},
    {"C:\\ a", 1},
    {"C:\\a ", 1},
    {"C:\\\ta", 1},
    {"C:\\a\t", 1},
    {"C:\\.a", 1},
    {"C:\\a.", 1},
    {"C:\\.", 1},
    {"C:\\..", 1},
    {"C:\\a\\..\\b", 1},
    {"C:\\a\"b", 1},
    {"C:\\a*b", 1},
    {"C:\\a/b", 1},
    {"C:\\a:b", 1},
    {"C:\\a<b", 1},
    {"C:\\a>b", 1},
    {"C:\\a?b", 1},
    {"C:\\a|b", 1},
    {"C:\\ok\\a?b\\ok", 1},
    {PathOfLength(259), 0},
    {PathOfLength(260), 1},
    {PathOfLength(261), 1},
    {PathOfLength(100000), 1},
};

TEST(PathForm, CheckOnlyJudgesTheFormAsTheTableSays)
{
    for (const FormCase& c : kForms) {
        std::string copy = c.path;
        EXPECT_EQ(c.code, CheckPath(copy.c_str(), 1))
            << "path \"" << c.path.substr(0, 80) << "\" of length " << c.path.size();
        EXPECT_EQ(c.path, copy) << "CheckPath changed the caller's string";
    }
    EXPECT_EQ(1, CheckPath(NULL, 1)) << "a null path";
}

TEST(PathForm, CheckOnlyTouchesNothing)
{
    ScratchFolder scratch;
    std::string missing = scratch / "one\\two";
    EXPECT_EQ(0, CheckPath(missing.c_str(), 1));
    EXPECT_FALSE(FolderExists(scratch / "one")) << "check-only mode created " << missing;
}

struct NameCase {
    const char* name;
    int valid;
};

const NameCase kNames[] = {
    {"a", 1},           {"Velmor32", 1},   {"My Folder", 1}, {"a.b.c", 1},
    {"a\tb", 1},        {"\x01", 1},       {"\xe4\xf6\xfc", 1}, {"-_~!#$%&'()", 1},
    {"", 0},            {" a", 0},         {"a ", 0},        {"\ta", 0},
    {"a\t", 0},         {".a", 0},         {"a.", 0},        {".", 0},
    {"..", 0},          {" ", 0},          {"a\"b", 0},      {"a*b", 0},
    {"a/b", 0},         {"a:b", 0},        {"a<b", 0},       {"a>b", 0},
    {"a?b", 0},         {"a\\b", 0},       {"a|b", 0},       {"|", 0},
};

TEST(PathComponent, AcceptsAndRefusesNamesAsTheTableSays)
{
    for (const NameCase& c : kNames)
        EXPECT_EQ(c.valid, IsValidPathComponent(c.name)) << "name \"" << c.name << "\"";
    EXPECT_EQ(0, IsValidPathComponent(NULL)) << "a null name";
}

const char* const kDeviceNames[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                    "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                    "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9",
                                    "CONIN$", "CONOUT$"};

std::string LowerCase(std::string text)
{
    for (char& c : text)
        c = (char)tolower((unsigned char)c);
    return text;
}

// "cOn", "NuL": every other letter lowered.
std::string MixedCase(std::string text)
{
    for (size_t i = 1; i < text.size(); i += 2)
        text[i] = (char)tolower((unsigned char)text[i]);
    return text;
}

// Windows reads these as the device at any level, in any case, with any extension and
// with blanks before the extension; the walk must never create such a level.
TEST(PathComponent, RefusesEveryDeviceNameInAnyCaseWithAnyExtension)
{
    const char* const endings[] = {"", ".txt", ".log", " .txt", "  .a.b", "..x", ".tar.gz"};
    for (const char* device : kDeviceNames) {
        for (const std::string& name : {std::string(device), LowerCase(device), MixedCase(device)}) {
            for (const char* ending : endings) {
                const std::string level = name + ending;
                EXPECT_EQ(0, IsValidPathComponent(level.c_str())) << "name \"" << level << "\"";
                for (const std::string& path : {"C:\\" + level, "c:\\Apps\\" + level + "\\Velmor32",
                                                "D:\\a\\b\\" + level}) {
                    EXPECT_EQ(1, CheckPath(path.c_str(), 1)) << path;
                }
            }
        }
    }
}

// Windows counts the superscripts one, two and three (bytes B9, B2 and B3 in the
// Western code page) as the number of a COM or LPT device.
TEST(PathComponent, RefusesSuperscriptNumbersOfComAndLptInTheWesternCodePage)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the bytes are superscripts only in code page 1252, this is " << GetACP();
    for (const char* name : {"COM\xb9", "com\xb2", "Lpt\xb3", "LPT\xb9.log", "com\xb2 .txt"}) {
        EXPECT_EQ(0, IsValidPathComponent(name)) << "name \"" << name << "\"";
        const std::string path = std::string("C:\\") + name + "\\Velmor32";
        EXPECT_EQ(1, CheckPath(path.c_str(), 1)) << path;
    }
}

TEST(PathComponent, AcceptsNamesThatOnlyLookLikeDevices)
{
    const char* const names[] = {"CONSOLE", "con_", "acon", "NULL", "nul1", "AUXILIARY", "PRN2",
                                 "COM", "COM0", "COM10", "LPT", "LPT0", "LPT10", "COMA",
                                 "a.con", "x.nul.txt", "n ul", "con x.txt", "\xe7on", "Velmor32",
                                 "conin", "conin$x", "con$", "conout", "conin\x04", "COM\xb4", "LPT\xbc"};
    for (const char* name : names) {
        EXPECT_EQ(1, IsValidPathComponent(name)) << "name \"" << name << "\"";
        const std::string path = std::string("C:\\Apps\\") + name;
        EXPECT_EQ(0, CheckPath(path.c_str(), 1)) << path;
    }
}

// A drive letter that names no drive here.
std::string FreeDriveRoot()
{
    DWORD drives = GetLogicalDrives();
    for (char letter = 'Y'; letter > 'D'; --letter) {
        if (!(drives & (1u << (letter - 'A'))))
            return std::string(1, letter) + ":\\";
    }
    return "";
}

TEST(CreateMode, CreatesThreeNewLevelsTopDown)
{
    ScratchFolder scratch;
    std::string path = scratch / "one\\two words\\thr.ee";
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, CheckPath(path.c_str(), 0)) << path << ", error " << GetLastError();
    EXPECT_TRUE(FolderExists(path)) << path << " was not created";
    // A second run finds every level there and agrees.
    EXPECT_EQ(0, CheckPath(path.c_str(), 0)) << path << " once it exists";
}

TEST(CreateMode, StopsAtALevelThatIsAFileAndKeepsTheLevelsAbove)
{
    ScratchFolder scratch;
    ASSERT_TRUE(CreateDirectoryA((scratch / "up").c_str(), NULL)) << GetLastError();
    WriteWholeFile(scratch / "up\\file", "x");
    std::string path = scratch / "up\\file\\below\\deeper";
    EXPECT_EQ(2, CheckPath(path.c_str(), 0)) << path;
    EXPECT_TRUE(FolderExists(scratch / "up")) << "the level above the file went away";
    EXPECT_TRUE(FileExists(scratch / "up\\file")) << "the file that blocks the path went away";
    // A file at the last level counts as existing.
    EXPECT_EQ(0, CheckPath((scratch / "up\\file").c_str(), 0));
}

TEST(CreateMode, KeepsTheLevelsMadeBeforeOneThatCannotBeMade)
{
    ScratchFolder scratch;
    // The form allows control characters inside names; the file system does not.
    std::string path = scratch / "made\\also made\\bad\x01name\\never";
    SetLastError(0xdeadbeef);
    int code = CheckPath(path.c_str(), 0);
    if (FolderExists(scratch / "made\\also made\\bad\x01name"))
        GTEST_SKIP() << "this file system takes control characters in names";
    EXPECT_EQ(2, code) << path;
    EXPECT_TRUE(FolderExists(scratch / "made\\also made"))
        << "the levels made before the failing one were removed";
}

TEST(CreateMode, RefusesADriveThatDoesNotExist)
{
    std::string root = FreeDriveRoot();
    ASSERT_FALSE(root.empty()) << "no free drive letter";
    EXPECT_EQ(2, CheckPath(root.c_str(), 0)) << root;
    EXPECT_EQ(2, CheckPath((root + "Velmor32\\sub").c_str(), 0)) << root << "Velmor32\\sub";
    EXPECT_EQ(0, CheckPath(root.c_str(), 1)) << root << " in check-only mode";
}

class Validation : public ::testing::Test {
protected:
    void SetUp() override { g_hInstance = GetModuleHandleA(NULL); }
    const DWORD kStepMs = 10000;

    // Each path brings message 7 alone and result 1: no question before it, nothing after.
    template <typename Paths> void ExpectRefusedAtOnce(const Paths& paths)
    {
        for (const std::string& path : paths) {
            SCOPED_TRACE(path);
            AnsweredCall call =
                CallAnswered({"ok"}, kStepMs, [&] { return ValidateDestination(path.c_str()); });
            EXPECT_EQ(1, call.result) << call.Describe();
            ASSERT_EQ(1u, call.seen.size()) << call.Describe();
            EXPECT_EQ(ExpectedBox(IDS_FOLDER_INVALID, path), call.seen[0]);
            EXPECT_TRUE(call.leftOver.empty()) << call.Describe();
        }
    }
};

TEST_F(Validation, AcceptsWhatExistsWithoutAnyMessage)
{
    ScratchFolder scratch;
    WriteWholeFile(scratch / "a file", "x");
    // 259 characters: nested folders, then a file name to fill it up exactly.
    std::string longPath = scratch.Path();
    while (longPath.size() < 259 - 60) {
        longPath += "\\" + Repeat('d', 40);
        ASSERT_TRUE(CreateDirectoryA(longPath.c_str(), NULL)) << longPath << ": " << GetLastError();
    }
    longPath += "\\" + Repeat('f', 259 - longPath.size() - 1);
    ASSERT_EQ(259u, longPath.size());
    WriteWholeFile(longPath, "x");
    ASSERT_TRUE(FileExists(longPath)) << longPath;

    const std::string existing[] = {scratch.Path(), scratch / "a file", "C:\\", "c:\\",
                                    longPath};
    for (const std::string& path : existing) {
        // One box would be dismissed and end the robot; none lets it time out.
        AnsweredCall call =
            CallAnswered({"dismiss"}, 1500, [&] { return ValidateDestination(path.c_str()); });
        EXPECT_EQ(0, call.result) << path << ": " << call.Describe();
        EXPECT_TRUE(call.seen.empty() && call.leftOver.empty())
            << "expected no message for " << path << ": " << call.Describe();
    }
}

TEST_F(Validation, AsksAndCreatesAMissingFolderOnYes)
{
    ScratchFolder scratch;
    std::string path = scratch / "new\\Velmor32";
    AnsweredCall call =
        CallAnswered({"yes"}, kStepMs, [&] { return ValidateDestination(path.c_str()); });
    EXPECT_EQ(0, call.result) << call.Describe();
    EXPECT_EQ(0u, call.robotExitCode) << call.Describe();
    ASSERT_EQ(1u, call.seen.size()) << call.Describe();
    EXPECT_EQ(ExpectedBox(IDS_FOLDER_MISSING, path), call.seen[0]);
    EXPECT_TRUE(call.leftOver.empty()) << call.Describe();
    EXPECT_TRUE(FolderExists(path)) << path << " was not created";
}

TEST_F(Validation, CreatesNothingOnNo)
{
    ScratchFolder scratch;
    std::string path = scratch / "new\\Velmor32";
    AnsweredCall call =
        CallAnswered({"no"}, kStepMs, [&] { return ValidateDestination(path.c_str()); });
    EXPECT_EQ(-1, call.result) << call.Describe();
    ASSERT_EQ(1u, call.seen.size()) << call.Describe();
    EXPECT_EQ(ExpectedBox(IDS_FOLDER_MISSING, path), call.seen[0]);
    EXPECT_TRUE(call.leftOver.empty()) << "expected no message after No: " << call.Describe();
    EXPECT_FALSE(FolderExists(scratch / "new")) << "a level was created although the answer was No";
}

TEST_F(Validation, RefusesAMalformedPathBeforeAnyQuestion)
{
    ScratchFolder scratch;
    const std::string malformed[] = {"", "C:", scratch / "a\\", scratch / "a\\\\b",
                                     scratch / "a|b", "\\\\server\\share"};
    ExpectRefusedAtOnce(malformed);
    EXPECT_FALSE(FolderExists(scratch / "a")) << "a malformed path had a level created";
}

// Typed as the whole path or as one level of it, a device name is refused at once:
// no question and no level made, so the install can never reach the device.
TEST_F(Validation, RefusesADeviceNameBeforeAnyQuestion)
{
    ScratchFolder scratch;
    std::vector<std::string> typed = {"C:\\nul", "c:\\LPT9.log", "C:\\con\\Velmor32",
                                      scratch / "new\\Nul .txt\\Velmor32"};
    for (const char* device : kDeviceNames)
        typed.push_back(scratch / (std::string("made\\") + MixedCase(device)));
    ExpectRefusedAtOnce(typed);
    EXPECT_FALSE(FolderExists(scratch / "new")) << "a level above a device name was made";
    EXPECT_FALSE(FolderExists(scratch / "made")) << "a level above a device name was made";
}

TEST_F(Validation, ReportsALevelThatCannotBeMadeAfterYes)
{
    ScratchFolder scratch;
    WriteWholeFile(scratch / "file", "x");
    const std::string blocked[] = {scratch / "file\\below", FreeDriveRoot() + "Velmor32",
                                   FreeDriveRoot()};
    for (const std::string& path : blocked) {
        AnsweredCall call = CallAnswered({"yes", "ok"}, kStepMs,
                                         [&] { return ValidateDestination(path.c_str()); });
        EXPECT_EQ(2, call.result) << path << ": " << call.Describe();
        ASSERT_EQ(2u, call.seen.size()) << path << ": " << call.Describe();
        EXPECT_EQ(ExpectedBox(IDS_FOLDER_MISSING, path), call.seen[0]);
        EXPECT_EQ(ExpectedBox(IDS_FOLDER_NOT_CREATED, path), call.seen[1]);
        EXPECT_TRUE(call.leftOver.empty()) << path << ": " << call.Describe();
    }
}

}  // namespace
