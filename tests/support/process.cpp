#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <vector>

ChildProcess::ChildProcess(const std::string& commandLine, DWORD flags, const char* application,
                           const char* folder)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    SetLastError(0xdeadbeef);
    m_started = CreateProcessA(application, line.data(), NULL, NULL, TRUE, flags, NULL, folder,
                               &startup, &m_process);
    EXPECT_TRUE(m_started) << "cannot start " << commandLine << ": " << GetLastError();
}

ChildProcess::ChildProcess(const std::wstring& commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::vector<WCHAR> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    SetLastError(0xdeadbeef);
    m_started = CreateProcessW(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                               &m_process);
    EXPECT_TRUE(m_started) << "cannot start a wide command line: " << GetLastError();
}

ChildProcess::~ChildProcess()
{
    if (!m_started)
        return;
    if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(m_process.hProcess, 1);
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
}

DWORD ChildProcess::WaitForExit(DWORD timeoutMs)
{
    if (!m_started || WaitForSingleObject(m_process.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD exitCode = STILL_ACTIVE;
    GetExitCodeProcess(m_process.hProcess, &exitCode);
    return exitCode;
}
