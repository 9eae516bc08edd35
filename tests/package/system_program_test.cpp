// StartSystemProgram in the test prefix: a program that records its runs is planted
// under one name in the system folders and in every folder an unsafe search looks at.
#include "package/system_program.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/planted.h"
#include "tests/support/scratch.h"

namespace {

const char kName[] = "velprobe.exe";
const DWORD kRunMs = 15000;

std::string SystemFolder()
{
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    EXPECT_TRUE(length > 0 && length < sizeof folder) << GetLastError();
    return folder;
}

std::string WindowsFolder()
{
    char folder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    EXPECT_TRUE(length > 0 && length < sizeof folder) << GetLastError();
    return folder;
}

std::string OwnFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    EXPECT_TRUE(length > 0 && length < sizeof path) << GetLastError();
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\'));
}

bool WaitForRun(const std::string& planted)
{
    for (DWORD waited = 0; waited < kRunMs; waited += 100) {
        if (!PlantedRuns(planted).empty())
            return true;
        Sleep(100);
    }
    return false;
}

// The current folder and PATH are this process's; both are put back when a case ends.
class SystemProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        GetCurrentDirectoryA(sizeof m_previousFolder, m_previousFolder);
        ASSERT_TRUE(SetCurrentDirectoryA(m_current.Path().c_str())) << GetLastError();
        DWORD pathLength = GetEnvironmentVariableA("PATH", m_previousPath, sizeof m_previousPath);
        m_hadPath = pathLength > 0 && pathLength < sizeof m_previousPath;
        ASSERT_TRUE(m_hadPath) << "PATH is unset or too long to restore";
        SetEnvironmentVariableA("PATH", (m_onPath.Path() + ";" + m_previousPath).c_str());
        for (const std::string& path : AllPlaces())
            RemovePlanted(path);
    }
    void TearDown() override
    {
        for (const std::string& path : AllPlaces())
            RemovePlanted(path);
        SetCurrentDirectoryA(m_previousFolder);
        if (m_hadPath)
            SetEnvironmentVariableA("PATH", m_previousPath);
    }

    std::string InSystem() const { return SystemFolder() + "\\" + kName; }
    std::string InWindows() const { return WindowsFolder() + "\\" + kName; }
    // Where the system's search for a bare name looks, in its order.
    std::vector<std::string> UnsafePlaces() const
    {
        return {OwnFolder() + "\\" + kName, m_current / kName, m_onPath / kName};
    }
    std::vector<std::string> AllPlaces() const
    {
        std::vector<std::string> places = UnsafePlaces();
        places.push_back(InSystem());
        places.push_back(InWindows());
        return places;
    }

    ScratchFolder m_current;
    ScratchFolder m_onPath;
    char m_previousFolder[MAX_PATH];
    char m_previousPath[8192];
    bool m_hadPath = false;
};

TEST_F(SystemProgram, StartsTheSystemFoldersCopyByItsQuotedFullPath)
{
    for (const std::string& path : AllPlaces())
        PlantProgram(path);
    ASSERT_EQ(1, StartSystemProgram(kName, "/o"));
    ASSERT_TRUE(WaitForRun(InSystem())) << InSystem() << " never ran";
    EXPECT_EQ("\"" + InSystem() + "\" /o", PlantedRuns(InSystem()));
    for (const std::string& path : UnsafePlaces())
        EXPECT_EQ("", PlantedRuns(path)) << path << " ran";
    EXPECT_EQ("", PlantedRuns(InWindows())) << "the Windows folder's copy ran as well";
}

TEST_F(SystemProgram, StartsTheWindowsFoldersCopyWhenTheSystemFolderHasNone)
{
    for (const std::string& path : UnsafePlaces())
        PlantProgram(path);
    PlantProgram(InWindows());
    ASSERT_EQ(1, StartSystemProgram(kName, "/o"));
    ASSERT_TRUE(WaitForRun(InWindows())) << InWindows() << " never ran";
    EXPECT_EQ("\"" + InWindows() + "\" /o", PlantedRuns(InWindows()));
    for (const std::string& path : UnsafePlaces())
        EXPECT_EQ("", PlantedRuns(path)) << path << " ran";
}

// Each place on its own: the bare name would start the copy there (the fixture's
// proof), the program starts nothing.
TEST_F(SystemProgram, StartsNothingFromTheOwnOrCurrentFolderOrPath)
{
    for (const std::string& planted : UnsafePlaces()) {
        PlantProgram(planted);
        ASSERT_GT(WinExec((std::string(kName) + " /o").c_str(), SW_SHOW), 31u)
            << "the fixture is wrong: the bare name does not find " << planted;
        ASSERT_TRUE(WaitForRun(planted)) << "the fixture is wrong: " << planted << " never ran";
        RemovePlanted(planted);
        PlantProgram(planted);

        EXPECT_EQ(0, StartSystemProgram(kName, "/o")) << "something was started for " << planted;
        Sleep(1000);
        EXPECT_EQ("", PlantedRuns(planted)) << planted << " ran";
        RemovePlanted(planted);
    }
}

}  // namespace
