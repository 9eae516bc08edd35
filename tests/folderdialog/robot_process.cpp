#include "tests/folderdialog/robot_process.h"

#include <atomic>
#include <thread>

#include "driver/instance.h"
#include "tests/resources/expected_texts.h"
#include "tests/support/environment.h"
#include "tools/robot/robot.h"

std::string AnsweredCall::Describe() const
{
    std::string text = "result " + std::to_string(result) + ", robot " +
                       (robotEnded ? "exit " + std::to_string(robotExitCode) : "still running") +
                       (robotError.empty() ? "" : " (" + robotError + ")") + ", seen [";
    for (const std::string& line : seen)
        text += "\n  " + line;
    text += "]";
    for (const std::string& line : leftOver)
        text += "\n  left over: " + line;
    return text;
}

AnsweredCall CallAnswered(const std::vector<std::string>& steps, DWORD timeoutPerStepMs,
                          const std::function<int()>& call)
{
    AnsweredCall answered;
    RobotProcess robot;
    std::string error;
    if (!robot.Start(ArtefactPath("VELMORA_ROBOT"), steps, timeoutPerStepMs, &error)) {
        answered.robotError = error;
        return answered;
    }
    std::atomic<bool> returned(false);
    // The watchdog's own handle: Finish closes the robot's.
    HANDLE robotHandle = NULL;
    DuplicateHandle(GetCurrentProcess(), robot.Handle(), GetCurrentProcess(), &robotHandle,
                    SYNCHRONIZE, FALSE, 0);
    std::thread watchdog([&] {
        // Give the robot all its steps, then close whatever it left open.
        DWORD budget = timeoutPerStepMs * (DWORD)(steps.size() + 1) + 5000;
        WaitForSingleObject(robotHandle, budget);
        for (int round = 0; !returned && round < 200; ++round) {
            std::vector<std::string> seen;
            if (RunRobot({"dismiss"}, 500, &seen, NULL))
                for (const std::string& line : seen)
                    answered.leftOver.push_back(EscapeLineFeeds(line));
        }
    });
    answered.result = call();
    returned = true;
    answered.robotEnded = robot.Finish(timeoutPerStepMs * (DWORD)(steps.size() + 1) + 5000);
    watchdog.join();
    CloseHandle(robotHandle);
    answered.robotExitCode = robot.exitCode;
    answered.seen = robot.seen;
    answered.robotError = robot.errorOutput;
    return answered;
}

std::string ExpectedBox(UINT textId, const std::string& path)
{
    char format[MAX_PATH];
    if (LoadStringA(g_hInstance, textId, format, sizeof format) <= 0)
        return "<no text " + std::to_string(textId) + ">";
    return "box: " + EscapeLineFeeds(WithPath(format, path));
}
