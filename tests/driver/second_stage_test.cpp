// The program started as the uninstaller's temporary copy, in a real process.
#include <gtest/gtest.h>

#include "driver/second_stage.h"
#include "package/inf_runner.h"
#include "tests/support/environment.h"
#include "tests/support/installation.h"
#include "tests/support/process.h"
#include "tests/support/scratch.h"

class SecondStage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForgetInstallation();
        ScratchFolder work;
        LayOutWorkFolder(work.Path());
        ASSERT_EQ(1, RunInfSection(work.Path().c_str(), m_installation.Path().c_str(),
                                   "DefaultInstall"));
        m_copy = m_temp / "Del1A2B.tmp";
        ASSERT_TRUE(CopyFileA(ArtefactPath("VELMORA_IMAGE").c_str(), m_copy.c_str(), FALSE))
            << GetLastError();
    }
    void TearDown() override { ForgetInstallation(); }

    std::string CommandLine(const std::string& arguments) const
    {
        return "\"" + m_copy + "\" " + arguments;
    }

    ScratchFolder m_installation;
    ScratchFolder m_temp;
    std::string m_copy;
};

TEST_F(SecondStage, RemovesTheInstallationOnlyAfterTheNamedProcessHasEnded)
{
    ChildProcess uninstaller("cmd.exe /c exit", CREATE_SUSPENDED);
    ASSERT_TRUE(uninstaller.Started());
    HANDLE inheritable;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), uninstaller.Handle(), GetCurrentProcess(),
                                &inheritable, SYNCHRONIZE, TRUE, 0)) << GetLastError();

    ChildProcess secondStage(CommandLine(std::to_string((INT_PTR)inheritable) + " \"" +
                                         (m_installation / "uninst.exe") + "\""));
    CloseHandle(inheritable);
    EXPECT_EQ(STILL_ACTIVE, secondStage.WaitForExit(1500))
        << "the second stage must wait while the uninstaller runs";
    ExpectInstalledFiles(m_installation.Path());

    uninstaller.Terminate();
    EXPECT_EQ(0u, secondStage.WaitForExit(30000));
    ExpectNoInstalledFiles(m_installation.Path());
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_TRUE(FolderExists(m_installation.Path()));
}

TEST_F(SecondStage, ArgumentsOfAnotherFormStartNoRemoval)
{
    const std::string uninstaller = "\"" + (m_installation / "uninst.exe") + "\"";
    for (const std::string& arguments :
         {std::string("C:\\Downloads\\dropped.txt"), "abc " + uninstaller, "0 " + uninstaller,
          "\"\" " + uninstaller}) {
        ChildProcess secondStage(CommandLine(arguments));
        EXPECT_EQ(0u, secondStage.WaitForExit(20000)) << arguments;
        ExpectInstalledFiles(m_installation.Path());
    }
}

// Another removal under way, played by a thread of this test that holds the
// removal's mutex until told to end, then releases it or, as a removal that
// crashed would, ends without.
struct OtherRemoval {
    HANDLE held = CreateEventA(NULL, TRUE, FALSE, NULL);
    HANDLE finish = CreateEventA(NULL, TRUE, FALSE, NULL);
    bool release;
};

DWORD WINAPI HoldRemovalMutex(LPVOID parameter)
{
    OtherRemoval* other = static_cast<OtherRemoval*>(parameter);
    HANDLE removal = CreateMutexA(NULL, TRUE, REMOVAL_MUTEX_NAME);
    SetEvent(other->held);
    WaitForSingleObject(other->finish, INFINITE);
    if (other->release)
        ReleaseMutex(removal);
    CloseHandle(removal);
    return 0;
}

TEST_F(SecondStage, WaitsUntilAnotherRemovalHasEnded)
{
    for (bool released : {true, false}) {
        SCOPED_TRACE(released ? "the other removal releases" : "the other removal ends without releasing");
        if (!FileExists(m_installation / "uninst.exe")) {
            ScratchFolder work;
            LayOutWorkFolder(work.Path());
            ASSERT_EQ(1, RunInfSection(work.Path().c_str(), m_installation.Path().c_str(), "DefaultInstall"));
        }
        OtherRemoval other;
        other.release = released;
        HANDLE thread = CreateThread(NULL, 0, HoldRemovalMutex, &other, 0, NULL);
        ASSERT_TRUE(thread) << GetLastError();
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(other.held, 10000));

        // The uninstaller it names has ended already: only the other removal holds it back.
        ChildProcess finished("cmd.exe /c exit");
        ASSERT_NE(STILL_ACTIVE, finished.WaitForExit(20000));
        HANDLE ended;
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), finished.Handle(), GetCurrentProcess(), &ended,
                                    SYNCHRONIZE, TRUE, 0)) << GetLastError();
        ChildProcess secondStage(CommandLine(std::to_string((INT_PTR)ended) + " \"" +
                                             (m_installation / "uninst.exe") + "\""));
        CloseHandle(ended);
        EXPECT_EQ(STILL_ACTIVE, secondStage.WaitForExit(1500))
            << "the second stage must wait while another removal is under way";
        ExpectInstalledFiles(m_installation.Path());

        SetEvent(other.finish);
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
        CloseHandle(other.held);
        CloseHandle(other.finish);
        EXPECT_EQ(0u, secondStage.WaitForExit(30000));
        ExpectNoInstalledFiles(m_installation.Path());
        EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    }
}
