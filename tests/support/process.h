#pragma once
#include <windows.h>

#include <string>

// A child process started from a full command line; closed and, if still running
// when the test ends, ended.
class ChildProcess {
public:
    explicit ChildProcess(const std::string& commandLine, DWORD flags = 0,
                          const char* application = NULL, const char* folder = NULL);
    // A command line with names that the ANSI code page may not spell.
    explicit ChildProcess(const std::wstring& commandLine);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_started; }
    HANDLE Handle() const { return m_process.hProcess; }
    // Waits up to timeoutMs; yields the exit code, or STILL_ACTIVE when it runs on.
    DWORD WaitForExit(DWORD timeoutMs);
    void Resume() { ResumeThread(m_process.hThread); }
    void Terminate() { TerminateProcess(m_process.hProcess, 0); }

private:
    PROCESS_INFORMATION m_process = {};
    bool m_started = false;
};
