#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// What happened while a call that shows windows in this process ran with robot.exe
// answering them from a child process.
struct AnsweredCall {
    int result = 0;
    bool robotEnded = false;       // the robot ended by itself within the time allowed
    DWORD robotExitCode = 0;       // 0: every step done
    std::vector<std::string> seen; // the robot's records, line feeds escaped as \n
    std::string robotError;        // its error line, e.g. "timeout at step 2 (yes)"
    std::vector<std::string> leftOver; // boxes nobody expected, closed by the watchdog
    std::string Describe() const;
};

// Starts the robot with the steps, runs call on this thread, and collects the robot's
// result. Boxes still open once the robot has ended are dismissed by a watchdog and
// listed in leftOver, so that a wrong number of boxes fails a test instead of hanging it.
AnsweredCall CallAnswered(const std::vector<std::string>& steps, DWORD timeoutPerStepMs,
                          const std::function<int()>& call);

// The text of a message box as the robot records it: the catalogue's format with the
// path in place of "%s", line feeds escaped.
std::string ExpectedBox(UINT textId, const std::string& path);
