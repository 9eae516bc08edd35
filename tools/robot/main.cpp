// robot.exe [--timeout MS] [--out FILE] STEP...
// Answers the program's message boxes and drives its folder browser; see robot.h for
// the steps. Writes what it saw one record a line, exit 0 on success, 1 on failure.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/robot/robot.h"

int main(int argc, char** argv)
{
    DWORD timeoutMs = 10000;
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
    if (steps.empty()) {
        std::fprintf(stderr, "usage: robot.exe [--timeout MS] [--out FILE] STEP...\n");
        return 1;
    }

    std::vector<std::string> seen;
    std::string error;
    bool ok = RunRobot(steps, timeoutMs, &seen, &error);

    FILE* out = outPath ? std::fopen(outPath, "wb") : stdout;
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", outPath);
        return 1;
    }
    for (const std::string& line : seen)
        std::fprintf(out, "%s\n", EscapeLineFeeds(line).c_str());
    if (out != stdout)
        std::fclose(out);
    if (!ok) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
