// bench_robot.exe [--timeout MS] --out FILE --start COMMAND-LINE [--gone PATH]... STEP...
// Starts one program (ours or the peer's) itself, answers its windows like the
// robot and stamps, in Unix milliseconds, every moment that a figure is taken
// from. Starting the program from a Windows process, as a desktop does, keeps each
// measurement inside one Wine process tree, whatever wraps the `wine` command.
// FILE receives, in this order:
//   start T                           just before CreateProcess
//   STEP APPEARED DONE RECORD         one line per step
//   gone T                            once no --gone PATH exists any more
//   exit T CODE                       the process's own exit time (GetProcessTimes)
// Steps are the robot's, plus "first-window": wait for any visible top-level window
// of the started process, then end that process (a start-up measurement).
// Windows and files are polled every 10 ms, the figures' resolution: on two cores
// a tighter poll takes CPU from the program being timed (every poll enumerates
// the session's windows through wineserver).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/robot/robot.h"

static const DWORD kPollMs = 10;

static double UnixMs(const FILETIME& time)
{
    ULARGE_INTEGER ticks;
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    // 100 ns ticks since 1601 to milliseconds since 1970.
    return (ticks.QuadPart - 116444736000000000ULL) / 10000.0;
}

static double NowUnixMs()
{
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return UnixMs(now);
}

// Polls test() until it holds or timeoutMs passes.
template <typename Test>
static bool Poll(DWORD timeoutMs, Test test)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (test())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

static BOOL CALLBACK FindProcessWindow(HWND window, LPARAM data)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

static bool HasVisibleWindow(DWORD processId)
{
    WindowSearch search = {processId, NULL};
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found != NULL;
}

static bool WantsBrowser(const std::string& step)
{
    return step.compare(0, 5, "type=") == 0 || step == "browse-ok" ||
           step == "browse-cancel" || step == "read";
}

static bool WaitForWindow(const std::string& step, const PROCESS_INFORMATION& program,
                          DWORD timeoutMs)
{
    if (step == "wait-gone")
        return true;
    if (step == "first-window")
        return Poll(timeoutMs, [&] { return HasVisibleWindow(program.dwProcessId); });
    return Poll(timeoutMs, [&] {
        SetupWindows windows = FindSetupWindows(program.dwProcessId);
        return WantsBrowser(step) ? windows.browser != NULL : windows.messageBox != NULL;
    });
}

// Carries out one step once its window is there; the record it saw goes to seen.
static bool DoStep(const std::string& step, const PROCESS_INFORMATION& program, DWORD timeoutMs,
                   std::string* seen, std::string* error)
{
    if (step == "first-window") {
        TerminateProcess(program.hProcess, 0);
        *seen = "-";
        return true;
    }
    std::vector<std::string> records;
    if (!RunRobot(std::vector<std::string>(1, step), timeoutMs, &records, error))
        return false;
    *seen = records.empty() ? "-" : EscapeLineFeeds(records[0]);
    return true;
}

static bool AllGone(const std::vector<std::string>& paths)
{
    for (size_t i = 0; i < paths.size(); ++i) {
        if (GetFileAttributesA(paths[i].c_str()) != INVALID_FILE_ATTRIBUTES)
            return false;
    }
    return true;
}

struct Options {
    DWORD timeoutMs = 60000;
    const char* outPath = NULL;
    std::string commandLine;
    std::vector<std::string> gone;
    std::vector<std::string> steps;
};

static bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--timeout") == 0 && hasValue)
            options->timeoutMs = std::strtoul(argv[++i], NULL, 10);
        else if (std::strcmp(argv[i], "--out") == 0 && hasValue)
            options->outPath = argv[++i];
        else if (std::strcmp(argv[i], "--start") == 0 && hasValue)
            options->commandLine = argv[++i];
        else if (std::strcmp(argv[i], "--gone") == 0 && hasValue)
            options->gone.push_back(argv[++i]);
        else
            options->steps.push_back(argv[i]);
    }
    return options->outPath && !options->commandLine.empty();
}

static int Fail(FILE* out, HANDLE program, const char* what, const std::string& detail)
{
    std::fprintf(stderr, "%s: %s (%lu)\n", what, detail.c_str(), GetLastError());
    if (program)
        TerminateProcess(program, 1);
    std::fclose(out);
    return 1;
}

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: bench_robot.exe [--timeout MS] --out FILE --start COMMAND-LINE "
                             "[--gone PATH]... STEP...\n");
        return 2;
    }
    FILE* out = std::fopen(options.outPath, "wb");
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", options.outPath);
        return 2;
    }
    std::vector<char> commandLine(options.commandLine.begin(), options.commandLine.end());
    commandLine.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION program = {};
    std::fprintf(out, "start %.3f\n", NowUnixMs());
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &program))
        return Fail(out, NULL, "cannot start", options.commandLine);
    for (size_t i = 0; i < options.steps.size(); ++i) {
        const std::string& step = options.steps[i];
        if (!WaitForWindow(step, program, options.timeoutMs))
            return Fail(out, program.hProcess, "timeout waiting for the window of", step);
        double appeared = NowUnixMs();
        std::string seen, error;
        if (!DoStep(step, program, options.timeoutMs, &seen, &error))
            return Fail(out, program.hProcess, step.c_str(), error);
        std::fprintf(out, "%s %.3f %.3f %s\n", step.c_str(), appeared, NowUnixMs(), seen.c_str());
    }
    if (!options.gone.empty()) {
        if (!Poll(options.timeoutMs, [&] { return AllGone(options.gone); }))
            return Fail(out, program.hProcess, "files still there", options.gone[0]);
        std::fprintf(out, "gone %.3f\n", NowUnixMs());
    }
    if (WaitForSingleObject(program.hProcess, options.timeoutMs) != WAIT_OBJECT_0)
        return Fail(out, program.hProcess, "the program did not end", options.commandLine);
    FILETIME created, exited, kernel, user;
    DWORD code = 0;
    GetExitCodeProcess(program.hProcess, &code);
    if (!GetProcessTimes(program.hProcess, &created, &exited, &kernel, &user))
        return Fail(out, NULL, "no process times for", options.commandLine);
    std::fprintf(out, "exit %.3f %lu\n", UnixMs(exited), code);
    std::fclose(out);
    return 0;
}
