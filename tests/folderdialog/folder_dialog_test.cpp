#include "folderdialog/folder_dialog.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "driver/instance.h"
#include "resources/resource.h"
#include "tests/folderdialog/robot_process.h"
#include "tests/support/scratch.h"

namespace {

const char kPrompt[] = "Select the folder where Velmora should be installed.";
const DWORD kStepMs = 10000;

class Browser : public ::testing::Test {
protected:
    void SetUp() override { g_hInstance = GetModuleHandleA(NULL); }

    // Runs a fresh dialog with the robot's steps; the dialog stays for GetPath.
    AnsweredCall Run(const std::string& initialFolder, const std::vector<std::string>& steps)
    {
        m_initial = initialFolder;
        m_dialog.emplace("Setup", kPrompt, m_initial.c_str());
        return CallAnswered(steps, kStepMs, [&] { return m_dialog->DoModal(); });
    }

    std::optional<FolderDialog> m_dialog;
    std::string m_initial;
};

TEST_F(Browser, ShowsTheInitialFolderWithOkEnabledAndCancelReturnsMinusOne)
{
    ScratchFolder scratch;
    // A folder the tree cannot select stays in the edit box as given.
    std::string initial = scratch / "not there yet\\Velmor32";
    AnsweredCall call = Run(initial, {"read", "browse-cancel", "wait-gone"});
    EXPECT_EQ(-1, call.result) << call.Describe();
    EXPECT_EQ(0u, call.robotExitCode) << call.Describe();
    ASSERT_EQ(1u, call.seen.size()) << call.Describe();
    EXPECT_EQ("edit=" + initial + " ok=1", call.seen[0]);
    EXPECT_FALSE(FolderExists(scratch / "not there yet")) << "Cancel created a folder";
}

TEST_F(Browser, OkIsEnabledExactlyWhenTheEditBoxHoldsText)
{
    ScratchFolder scratch;
    AnsweredCall call = Run(scratch.Path(), {"type=", "read", "type=C", "read", "type=", "read",
                                             "browse-cancel", "wait-gone"});
    EXPECT_EQ(-1, call.result) << call.Describe();
    EXPECT_EQ(0u, call.robotExitCode) << call.Describe();
    const std::vector<std::string> expected = {"edit= ok=0", "edit=C ok=1", "edit= ok=0"};
    EXPECT_EQ(expected, call.seen) << call.Describe();
}

TEST_F(Browser, RefusedTextKeepsTheBrowserOpen)
{
    ScratchFolder scratch;
    std::string malformed = scratch / "bad|name";
    std::string missing = scratch / "declined";
    AnsweredCall call = Run(scratch.Path(), {"type=" + malformed, "browse-ok", "ok", "read",
                                             "type=" + missing, "browse-ok", "no", "read",
                                             "browse-cancel", "wait-gone"});
    EXPECT_EQ(-1, call.result) << call.Describe();
    EXPECT_EQ(0u, call.robotExitCode) << call.Describe();
    const std::vector<std::string> expected = {
        ExpectedBox(IDS_FOLDER_INVALID, malformed), "edit=" + malformed + " ok=1",
        ExpectedBox(IDS_FOLDER_MISSING, missing), "edit=" + missing + " ok=1"};
    EXPECT_EQ(expected, call.seen) << call.Describe();
    EXPECT_EQ(0, m_dialog->m_accepted) << "a refused OK was taken as accepted";
    EXPECT_FALSE(FolderExists(missing)) << "declined folder was created";
}

TEST_F(Browser, AcceptedTextIsReturnedExactlyAsTyped)
{
    ScratchFolder scratch;
    // Lower-case drive, inner blanks and dots: nothing may be trimmed or normalised.
    std::string typed = scratch / "New  Folder.v2\\sub";
    typed[0] = (char)(typed[0] | 0x20);
    AnsweredCall call = Run(scratch.Path(), {"type=" + typed, "browse-ok", "yes", "wait-gone"});
    EXPECT_EQ(1, call.result) << call.Describe();
    EXPECT_EQ(0u, call.robotExitCode) << call.Describe();
    ASSERT_EQ(1u, call.seen.size()) << call.Describe();
    EXPECT_EQ(ExpectedBox(IDS_FOLDER_MISSING, typed), call.seen[0]);
    EXPECT_STREQ(typed.c_str(), m_dialog->GetPath());
    EXPECT_TRUE(FolderExists(typed)) << typed << " was not created";
}

TEST_F(Browser, ExistingFolderIsAcceptedWithoutAQuestion)
{
    ScratchFolder scratch;
    AnsweredCall call = Run(scratch / "elsewhere", {"type=" + scratch.Path(), "browse-ok",
                                                    "wait-gone"});
    EXPECT_EQ(1, call.result) << call.Describe();
    EXPECT_EQ(0u, call.robotExitCode) << call.Describe();
    EXPECT_TRUE(call.seen.empty() && call.leftOver.empty())
        << "expected no message: " << call.Describe();
    EXPECT_EQ(scratch.Path(), m_dialog->GetPath());
}

TEST_F(Browser, SecondOkUnderAnOpenQuestionIsIgnored)
{
    ScratchFolder scratch;
    std::string missing = scratch / "asked once";
    AnsweredCall call = Run(scratch.Path(), {"type=" + missing, "browse-ok", "browse-ok", "no",
                                             "read", "browse-cancel", "wait-gone"});
    EXPECT_EQ(-1, call.result) << call.Describe();
    EXPECT_EQ(0u, call.robotExitCode) << call.Describe();
    const std::vector<std::string> expected = {ExpectedBox(IDS_FOLDER_MISSING, missing),
                                               "edit=" + missing + " ok=1"};
    EXPECT_EQ(expected, call.seen) << call.Describe();
    EXPECT_TRUE(call.leftOver.empty()) << "a second question was asked: " << call.Describe();
}

TEST_F(Browser, EditsUnderAnOpenQuestionDoNotChangeTheAcceptedFolder)
{
    ScratchFolder scratch;
    std::string asked = scratch / "asked";
    std::string edited = scratch / "edited meanwhile";
    AnsweredCall call = Run(scratch.Path(), {"type=" + asked, "browse-ok", "type=" + edited,
                                             "yes", "wait-gone"});
    EXPECT_EQ(1, call.result) << call.Describe();
    EXPECT_EQ(0u, call.robotExitCode) << call.Describe();
    EXPECT_EQ(asked, m_dialog->GetPath()) << "the folder accepted is not the one asked about";
    EXPECT_TRUE(FolderExists(asked)) << asked << " was not created";
    EXPECT_FALSE(FolderExists(edited)) << edited << " was created without a question";
}

TEST_F(Browser, OnlyTheFirst259TypedCharactersCount)
{
    // Beyond character 259 the text turns malformed: validating all of it would bring
    // message 7 instead of the question.
    std::string kept = "C:\\" + std::string(256, 'a');
    AnsweredCall call = Run("C:\\", {"type=" + kept + "|beyond", "browse-ok", "no", "read",
                                       "browse-cancel", "wait-gone"});
    EXPECT_EQ(-1, call.result) << call.Describe();
    EXPECT_EQ(0u, call.robotExitCode) << call.Describe();
    EXPECT_EQ(kept, m_dialog->m_path);
    ASSERT_EQ(2u, call.seen.size()) << call.Describe();
    EXPECT_EQ("edit=" + kept + "|beyond ok=1", call.seen[1]);
}

}  // namespace
