#include "tests/e2e/life_cycle.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "tests/support/environment.h"
#include "tests/support/process.h"
#include "tools/robot/robot.h"

static PackageRun AnswerPackage(ChildProcess& setup, const std::vector<std::string>& steps,
                                DWORD stepTimeoutMs)
{
    PackageRun run;
    if (!setup.Started())
        return run;
    run.robotFinished = RunRobot(steps, stepTimeoutMs, &run.seen, &run.robotError);
    run.exitCode = setup.WaitForExit(stepTimeoutMs);
    return run;
}

PackageRun RunPackage(const std::vector<std::string>& steps, const std::string& commandLine,
                      const char* application, const char* folder, DWORD stepTimeoutMs)
{
    std::string line = commandLine.empty() ? "\"" + ArtefactPath("VELMORA_PACKAGE") + "\"" : commandLine;
    ChildProcess setup(line, 0, application, folder);
    return AnswerPackage(setup, steps, stepTimeoutMs);
}

PackageRun RunPackage(const std::vector<std::string>& steps, const std::wstring& commandLine,
                      DWORD stepTimeoutMs)
{
    ChildProcess setup(commandLine);
    return AnswerPackage(setup, steps, stepTimeoutMs);
}

std::string Box(UINT id)
{
    return std::string("box: ") + ExpectedText(*FindCatalogueText(id), ExpectedLanguage());
}

std::string Box(UINT id, const std::string& path)
{
    return "box: " + WithPath(ExpectedText(*FindCatalogueText(id), ExpectedLanguage()), path);
}

std::string DefaultDestination()
{
    char programFiles[MAX_PATH];
    DWORD size = sizeof programFiles;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                          "ProgramFilesDir", RRF_RT_REG_SZ, NULL, programFiles, &size));
    return std::string(programFiles) + "\\Velmor32";
}

std::string ShortPath(const std::string& path)
{
    char shortPath[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
    return length && length < sizeof shortPath ? shortPath : path;
}

std::string LongPath(const std::string& path)
{
    char longPath[MAX_PATH];
    DWORD length = GetLongPathNameA(path.c_str(), longPath, sizeof longPath);
    return length && length < sizeof longPath ? longPath : path;
}

std::string TempFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = temp;
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

std::vector<std::string> EntriesStartingWith(const std::string& folder, const std::string& prefix)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((folder + "\\" + prefix + "*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(entry.cFileName);
    while (FindNextFileA(listing, &entry));
    FindClose(listing);
    return names;
}

std::string StartMenuShortcut(const char* item)
{
    char programs[MAX_PATH];
    EXPECT_TRUE(SHGetSpecialFolderPathA(NULL, programs, CSIDL_PROGRAMS, FALSE));
    return std::string(programs) + "\\Velmora\\" + item + ".lnk";
}

bool WaitUntil(bool (*predicate)(const std::string&), const std::string& argument, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!predicate(argument)) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(100);
    }
    return true;
}
