// Overlong inputs through the functions that take them, each output buffer followed
// by guard bytes that must come back untouched.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/instance.h"
#include "driver/propose.h"
#include "driver/relocate.h"
#include "folderdialog/validate.h"
#include "package/work_folder.h"
#include "resources/resource.h"
#include "tests/folderdialog/robot_process.h"
#include "tests/resources/expected_texts.h"
#include "tests/support/environment.h"
#include "tests/support/installation.h"
#include "tests/support/scratch.h"
#include "tools/robot/robot.h"

namespace {

const char kGuard = '\x5A';
const size_t kGuardBytes = 64;

// A buffer of size characters followed by guard bytes.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size) : m_size(size), m_bytes(size + kGuardBytes, kGuard) {}
    char* Data() { return m_bytes.data(); }
    int Size() const { return (int)m_size; }
    std::string Text() const { return std::string(m_bytes.data(), strnlen(m_bytes.data(), m_size)); }
    bool GuardsIntact() const
    {
        for (size_t i = m_size; i < m_bytes.size(); ++i)
            if (m_bytes[i] != kGuard)
                return false;
        return true;
    }

private:
    size_t m_size;
    std::vector<char> m_bytes;
};

// "C:\" and names of 'p' of up to 40 characters, exactly length characters long.
std::string DrivePath(size_t length, char fill = 'p')
{
    std::string path = "C:\\";
    while (path.size() < length) {
        path += std::string(std::min<size_t>(40, length - path.size()), fill);
        if (path.size() + 1 < length)
            path += '\\';
    }
    path.resize(length);
    return path;
}

TEST(LongCommandLine, ModeAndPackagePathForEveryLengthFrom250To1000)
{
    const std::string mark = UNINSTALLER_MARK;
    for (size_t length = 250; length <= 1000; ++length) {
        // The mark at the start, inside and at the end of a token of this length.
        std::string plain = DrivePath(length);
        std::vector<std::string> tokens = {plain};
        for (size_t at : {(size_t)3, length / 2, length - mark.size()}) {
            std::string marked = plain;
            marked.replace(at, mark.size(), mark);
            tokens.push_back(marked);
        }
        for (const std::string& token : tokens) {
            bool marked = token.find(mark) != std::string::npos;
            for (const std::string& line :
                 {token, "\"" + token + "\"", "  \"" + token + "\"   ", token + std::string(40, ' ')}) {
                StartMode expectedMode = marked ? START_RELOCATION : START_INSTALL;
                EXPECT_EQ(expectedMode, SelectStartMode(1, line.c_str()))
                    << "line of " << line.size() << " characters, mark " << (marked ? "in" : "not in") << " it";
                GuardedBuffer packagePath(MAX_PATH);
                int fits = TakePackagePath(line.c_str(), packagePath.Data(), packagePath.Size());
                bool shouldFit = token.size() < MAX_PATH;
                EXPECT_EQ(shouldFit ? 1 : 0, fits) << "token of " << token.size() << " characters";
                EXPECT_EQ(shouldFit ? token : std::string(), packagePath.Text())
                    << "token of " << token.size() << " characters: expected it whole or nothing";
                EXPECT_TRUE(packagePath.GuardsIntact())
                    << "TakePackagePath wrote past its buffer for a line of " << line.size();
            }
        }
    }
}

TEST(LongSecondStageArguments, EveryLengthOfTheUninstallerPathUpTo1000)
{
    for (size_t length = 0; length <= 1000; ++length) {
        // With and without a folder part, so that the cut at the last backslash is
        // tested at every length as well.
        std::string withFolder = length >= 14 ? DrivePath(length - 11) + "\\uninst.exe" : DrivePath(length);
        withFolder.resize(length);
        for (const std::string& path : {withFolder, std::string(length, 'u')}) {
            std::vector<std::string> strings = {"Del1.tmp", "1234", path};
            std::vector<char*> arguments;
            for (std::string& s : strings)
                arguments.push_back(&s[0]);
            HANDLE process = (HANDLE)(INT_PTR)-77;
            GuardedBuffer folder(MAX_PATH);
            int accepted = ParseSecondStageArguments(3, arguments.data(), &process, folder.Data(),
                                                     folder.Size());
            bool shouldAccept = path.size() < MAX_PATH;
            EXPECT_EQ(shouldAccept ? 1 : 0, accepted) << "argument 2 of " << path.size() << " characters";
            EXPECT_TRUE(folder.GuardsIntact()) << "written past the folder buffer at " << path.size();
            if (shouldAccept) {
                size_t cut = path.rfind('\\');
                EXPECT_EQ(cut == std::string::npos ? path : path.substr(0, cut), folder.Text())
                    << "argument 2 of " << path.size() << " characters";
                EXPECT_EQ((HANDLE)(INT_PTR)1234, process);
            } else {
                EXPECT_EQ((HANDLE)(INT_PTR)-77, process)
                    << "a refused argument list set the handle, length " << path.size();
            }
            EXPECT_EQ(path, strings[2]) << "the argument itself was changed";
        }
    }
}

TEST(LongSecondStageCommandLine, EveryPairOfPathLengthsNearTheBufferEnd)
{
    // The line is "\"copy\" handle \"uninstaller\"": six characters besides the two
    // paths and the digits; the widest handle has 11 characters.
    const HANDLE handles[] = {(HANDLE)(INT_PTR)7, (HANDLE)(INT_PTR)(-2147483647 - 1)};
    for (size_t copyLength = 200; copyLength <= 259; ++copyLength) {
        for (size_t uninstallerLength = 200; uninstallerLength <= 259; ++uninstallerLength) {
            std::string copy = DrivePath(copyLength, 't');
            std::string uninstaller = DrivePath(uninstallerLength, 'u');
            for (HANDLE handle : handles) {
                GuardedBuffer line(SECOND_STAGE_COMMAND_LINE_SIZE);
                int formed = FormatSecondStageCommandLine(line.Data(), line.Size(), copy.c_str(),
                                                          handle, uninstaller.c_str());
                std::string expected = "\"" + copy + "\" " + std::to_string((int)(INT_PTR)handle) +
                                       " \"" + uninstaller + "\"";
                bool fitsWidest = copyLength + uninstallerLength + 6 + 11 < SECOND_STAGE_COMMAND_LINE_SIZE;
                EXPECT_EQ(fitsWidest ? 1 : 0, formed)
                    << "paths of " << copyLength << " and " << uninstallerLength << " characters";
                if (formed) {
                    EXPECT_EQ(expected, line.Text())
                        << "paths of " << copyLength << " and " << uninstallerLength;
                }
                EXPECT_TRUE(line.GuardsIntact()) << "written past the line buffer with paths of "
                                                 << copyLength << " and " << uninstallerLength;
            }
        }
    }
}

// "UninstallString" values of 250 to 300 bytes of both forms, with and without a
// terminating zero, against the registry of the test prefix.
class LongUninstallString : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForgetInstallation();
        m_default = Proposed();
    }
    void TearDown() override { ForgetInstallation(); }

    static std::string Proposed()
    {
        GuardedBuffer folder(MAX_PATH);
        ProposeDestination(folder.Data());
        EXPECT_TRUE(folder.GuardsIntact()) << "ProposeDestination wrote past the folder buffer";
        return folder.Text();
    }
    std::string m_default;
};

TEST_F(LongUninstallString, ValuesFrom250To300BytesOfBothForms)
{
    const std::string infPrefix = "RUNDLL32.EXE SETUPAPI.DLL,InstallHinfSection DefaultUninstall 132 ";
    ASSERT_EQ(std::string::npos, m_default.find("PPPP")) << "the default must differ from the values";
    for (size_t bytes = 250; bytes <= 300; ++bytes) {
        for (bool terminated : {true, false}) {
            size_t textLength = terminated ? bytes - 1 : bytes;
            // Plain: "C:\PPP...\uninst.exe"; INF-based: prefix, then "C:\PPP...\install.inf".
            std::string plain = DrivePath(textLength - 11, 'P') + "\\uninst.exe";
            std::string inf = infPrefix + DrivePath(textLength - infPrefix.size() - 12, 'P') + "\\install.inf";
            for (const std::string& text : {plain, inf}) {
                ASSERT_EQ(textLength, text.size());
                std::string value = terminated ? text + '\0' : text;
                // Binary for the unterminated ones: Wine's ANSI reading of a string
                // value would add a terminator of its own.
                DWORD type = terminated ? REG_SZ : REG_BINARY;
                ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString",
                                                         type, value.data(), (DWORD)value.size()))
                    << GetLastError();
                std::string expected = m_default;
                if (terminated && bytes <= MAX_PATH) {
                    // Both forms end in a file name after the folder's last backslash.
                    std::string path = text.substr(text.rfind(' ') + 1);
                    expected = path.substr(0, path.rfind('\\'));
                }
                EXPECT_EQ(expected, Proposed())
                    << (text == plain ? "plain" : "INF-based") << " value of " << bytes << " bytes, "
                    << (terminated ? "terminated" : "without a terminating zero");
            }
        }
    }
}

// Typed folders of up to 300 characters through the dialogue with the user: every
// message fits its box and still shows the drive and the end of the path.
class LongTypedFolder : public ::testing::Test {
protected:
    void SetUp() override { g_hInstance = GetModuleHandleA(NULL); }

    // The recorded box is the catalogue text with the path, or a shortened path
    // "X:\..." plus the path's end, in place of "%s"; never more than 259 characters.
    static void ExpectBoxShowsPath(const std::string& seen, UINT id, const std::string& path)
    {
        const std::string format = ExpectedText(*FindCatalogueText(id), ExpectedLanguage());
        const std::string expectedWhole = "box: " + EscapeLineFeeds(WithPath(format.c_str(), path).c_str());
        if (seen == expectedWhole) {
            EXPECT_LE(WithPath(format.c_str(), path).size(), 259u) << "a whole path that overflows the box text";
            return;
        }
        size_t at = format.find("%s");
        ASSERT_NE(std::string::npos, at);
        const std::string head = "box: " + EscapeLineFeeds(format.substr(0, at));
        const std::string tail = EscapeLineFeeds(format.substr(at + 2));
        ASSERT_TRUE(seen.size() > head.size() + tail.size() && seen.compare(0, head.size(), head) == 0 &&
                    seen.compare(seen.size() - tail.size(), tail.size(), tail) == 0)
            << "expected message " << id << " with the path in it, got: " << seen;
        std::string shown = seen.substr(head.size(), seen.size() - head.size() - tail.size());
        EXPECT_EQ(path.substr(0, 3) + "...", shown.substr(0, 6)) << "expected the drive and \"...\", got " << shown;
        EXPECT_EQ(path.substr(path.size() - (shown.size() - 6)), shown.substr(6))
            << "expected the end of the path after \"...\", got " << shown;
        EXPECT_LE(format.size() - 2 + shown.size(), 259u) << "the box text does not fit 259 characters";
    }
};

TEST_F(LongTypedFolder, MissingAndOverlongFoldersAreExplainedInBoxesThatFit)
{
    ScratchFolder scratch;
    for (size_t length : {200u, 250u, 258u, 259u, 260u, 261u, 300u}) {
        std::string path = scratch.Path() + "\\";
        path += DrivePath(length - path.size() + 3, 'm').substr(3);
        ASSERT_EQ(length, path.size());
        bool fits = length <= 259;
        AnsweredCall call = CallAnswered({fits ? "no" : "ok"}, 10000,
                                         [&] { return ValidateDestination(path.c_str()); });
        EXPECT_EQ(fits ? -1 : 1, call.result) << length << " characters: " << call.Describe();
        ASSERT_EQ(1u, call.seen.size()) << length << " characters: " << call.Describe();
        ExpectBoxShowsPath(call.seen[0], fits ? IDS_FOLDER_MISSING : IDS_FOLDER_INVALID, path);
        EXPECT_TRUE(call.leftOver.empty()) << length << " characters: " << call.Describe();
        EXPECT_FALSE(FolderExists(scratch / "m")) << "a level was made for " << length << " characters";
    }
}

TEST_F(LongTypedFolder, LongMissingFolderIsCreatedOrReportedOnYes)
{
    // Levels of 40 characters down to the length given; from 260 on the path is
    // refused before any level is made.
    for (size_t length : {240u, 259u, 260u, 280u}) {
        ScratchFolder scratch;
        std::string path = scratch.Path() + "\\";
        path += DrivePath(length - path.size() + 3, 'c').substr(3);
        bool fits = length <= 259;
        AnsweredCall call = CallAnswered({fits ? "yes" : "ok"}, 10000,
                                         [&] { return ValidateDestination(path.c_str()); });
        if (!fits) {
            EXPECT_TRUE(call.leftOver.empty()) << length << " characters: " << call.Describe();
            EXPECT_EQ(1, call.result) << length << " characters: " << call.Describe();
            ASSERT_EQ(1u, call.seen.size()) << call.Describe();
            ExpectBoxShowsPath(call.seen[0], IDS_FOLDER_INVALID, path);
            EXPECT_FALSE(FolderExists(scratch / "c")) << "a level was made for " << length;
            continue;
        }
        // The system may refuse a folder this deep; then the answer must be 2 with
        // message 8, never success for a folder that is not there.
        ASSERT_EQ(1u, call.seen.size()) << call.Describe();
        ExpectBoxShowsPath(call.seen[0], IDS_FOLDER_MISSING, path);
        if (FolderExists(path)) {
            EXPECT_EQ(0, call.result) << length << " characters, folder made: " << call.Describe();
            EXPECT_TRUE(call.leftOver.empty()) << "expected no message after a made folder: " << call.Describe();
        } else {
            EXPECT_EQ(2, call.result) << length << " characters, folder not made: " << call.Describe();
            ASSERT_EQ(1u, call.leftOver.size()) << "expected message 8: " << call.Describe();
            ExpectBoxShowsPath(call.leftOver[0], IDS_FOLDER_NOT_CREATED, path);
        }
    }
}

// A working folder under a temporary folder near the limit: made with room for its
// files and its listing, or not made at all; never a name past the buffer.
TEST(LongTemporaryFolder, WorkingFolderFitsItsFilesOrIsNotMade)
{
    ScratchFolder parent;
    for (size_t length = 225; length <= 300; ++length) {
        std::string temp = parent.Path();
        while (temp.size() < length) {
            size_t room = length - temp.size() - 1;
            temp += "\\" + std::string(room > 60 ? (room < 62 ? 40 : 60) : room, 'T');
            CreateDirectoryA(temp.c_str(), NULL);
        }
        TemporaryFolderSetting setting(temp);
        GuardedBuffer workFolder(MAX_PATH);
        int made = CreateWorkFolder(workFolder.Data());
        EXPECT_TRUE(workFolder.GuardsIntact()) << "CreateWorkFolder wrote past its buffer, TMP of " << length;
        std::string folder = workFolder.Text();
        if (made) {
            EXPECT_LE(folder.size() + 1 + strlen("install.inf"), 259u) << folder;
            EXPECT_TRUE(FolderExists(folder)) << folder;
            EXPECT_EQ(1, RemoveWorkFolder(folder.c_str())) << "cannot list " << folder;
            EXPECT_FALSE(FolderExists(folder)) << folder << " stayed";
        } else {
            EXPECT_EQ("", folder) << "TMP of " << length;
        }
        EXPECT_TRUE(length > 235 || made) << "expected a working folder under a TMP of " << length
                                          << ": " << GetLastError();
    }
}

}  // namespace
