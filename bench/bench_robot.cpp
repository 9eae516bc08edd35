// bench_robot.exe [--timeout MS] --out FILE STEP...
// Runs the robot's steps one at a time and writes, for each, the Unix time in
// milliseconds at which its window appeared and at which the step was done:
//   STEP APPEARED_MS DONE_MS RECORD
// The robot polls every 20 ms; this waits for the window itself, at 2 ms for the
// first half second and at 10 ms after that: on two cores a tight poll through a
// long install would take CPU from the program being timed.
// FILE is created before the first wait, so that a caller can start the program
// only once the robot is watching.
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
        Sleep(GetTickCount() - start < 500 ? 2 : 10);
    }
}

int main(int argc, char** argv)
{
    DWORD timeoutMs = 60000;
    const char* outPath = NULL;
    std::vector<std::string> steps;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc)
            timeoutMs = std::strtoul(argv[++i], NULL, 10);
        else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc)
            outPath = argv[++i];
        else
            steps.push_back(argv[i]);
    }
    if (steps.empty() || !outPath) {
        std::fprintf(stderr, "usage: bench_robot.exe [--timeout MS] --out FILE STEP...\n");
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
