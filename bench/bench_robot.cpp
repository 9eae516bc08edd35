// bench_robot.exe [--timeout MS] [--hold FLAG ACK] --out FILE STEP...
// Runs the robot's steps one at a time and writes, for each, the Unix time in
// milliseconds at which its window appeared and at which the step was done:
//   STEP APPEARED_MS DONE_MS RECORD
// The robot polls every 20 ms; this waits for the window itself at 2 ms, so
// the stamp is not the robot's polling interval.
// With --hold, before the last step it creates FLAG and waits (at most 30 s) for
// ACK, so that a watcher outside Wine can read the still running program's
// process counters while its final message is on screen.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/robot/robot.h"

static double UnixMs()
{
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    // 100 ns ticks since 1601 to milliseconds since 1970.
    return (ticks.QuadPart - 116444736000000000ULL) / 10000.0;
}

static bool WantsBrowser(const std::string& step)
{
    return step.compare(0, 5, "type=") == 0 || step == "browse-ok" ||
           step == "browse-cancel" || step == "read";
}

static bool WaitForWindow(const std::string& step, DWORD timeoutMs)
{
    if (step == "wait-gone")
        return true;
    DWORD start = GetTickCount();
    for (;;) {
        SetupWindows windows = FindSetupWindows();
        if (WantsBrowser(step) ? windows.browser != NULL : windows.messageBox != NULL)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(2);
    }
}

int main(int argc, char** argv)
{
    DWORD timeoutMs = 60000;
    const char* outPath = NULL;
    const char* holdFlag = NULL;
    const char* holdAck = NULL;
    std::vector<std::string> steps;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc)
            timeoutMs = std::strtoul(argv[++i], NULL, 10);
        else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc)
            outPath = argv[++i];
        else if (std::strcmp(argv[i], "--hold") == 0 && i + 2 < argc) {
            holdFlag = argv[++i];
            holdAck = argv[++i];
        } else
            steps.push_back(argv[i]);
    }
    if (steps.empty() || !outPath) {
        std::fprintf(stderr, "usage: bench_robot.exe [--timeout MS] [--hold FLAG ACK] --out FILE STEP...\n");
        return 2;
    }
    FILE* out = std::fopen(outPath, "wb");
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", outPath);
        return 2;
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        const std::string& step = steps[i];
        if (!WaitForWindow(step, timeoutMs)) {
            std::fprintf(stderr, "timeout waiting for the window of step %u (%s)\n",
                         (unsigned)(i + 1), step.c_str());
            std::fclose(out);
            return 1;
        }
        double appeared = UnixMs();
        if (holdFlag && i + 1 == steps.size()) {
            FILE* flag = std::fopen(holdFlag, "wb");
            if (flag)
                std::fclose(flag);
            DWORD start = GetTickCount();
            while (GetFileAttributesA(holdAck) == INVALID_FILE_ATTRIBUTES &&
                   GetTickCount() - start < 30000)
                Sleep(5);
        }
        std::vector<std::string> seen;
        std::string error;
        if (!RunRobot(std::vector<std::string>(1, step), timeoutMs, &seen, &error)) {
            std::fprintf(stderr, "step %u (%s): %s\n", (unsigned)(i + 1), step.c_str(), error.c_str());
            std::fclose(out);
            return 1;
        }
        std::fprintf(out, "%s %.3f %.3f %s\n", step.c_str(), appeared, UnixMs(),
                     seen.empty() ? "-" : EscapeLineFeeds(seen[0]).c_str());
        std::fflush(out);
    }
    std::fclose(out);
    return 0;
}
