#pragma once
#include <windows.h>

#include <string>
#include <vector>

// A test robot for the program's windows: message boxes and the folder browser, both
// dialog windows captioned "Setup", found from this or another process.
//
// Steps, run in order, each bounded by timeoutPerStepMs:
//   "yes", "no", "ok", "cancel"  wait for the next message box, record "box: <text>",
//                                press that button (fails if the box lacks it) and
//                                wait until the box is gone
//   "dismiss"                    the same with Cancel, else No, else OK: for a box
//                                that should not have come
//   "type=TEXT"                  wait for the browser, set its edit box to TEXT
//   "browse-ok"                  wait for the browser, press OK (fails if disabled),
//                                then wait until it closes or a message box shows
//   "browse-cancel"              wait for the browser, press Cancel, wait until gone
//   "select=PATH"                wait for the browser and have it select the folder
//                                PATH (UTF-8) in its tree, as BFFM_SETSELECTIONW does
//   "read"                       wait for the browser, record "edit=<text> ok=<0|1>"
//   "wait-gone"                  wait until no "Setup" window is left
// seen (may be null) receives the records in order, also when a step fails. On
// failure, error says which step, e.g. "timeout at step 2 (yes)".
bool RunRobot(const std::vector<std::string>& steps, DWORD timeoutPerStepMs,
              std::vector<std::string>* seen, std::string* error);

// The dialog windows captioned "Setup" that are visible now, the browser among them.
struct SetupWindows {
    HWND browser = NULL;
    HWND messageBox = NULL;
    int count = 0;
};
// With a process id, only that process's windows count.
SetupWindows FindSetupWindows(DWORD processId = 0);

// A message box's text, read across processes.
std::string MessageBoxText(HWND box);

// Writes a text on one line: a line feed becomes the two characters \n.
std::string EscapeLineFeeds(const std::string& text);

// Runs robot.exe as a child process with the given steps and collects what it saw.
// Start returns at once; Finish waits for the robot to end (bounded). The robot is
// killed when the object goes while it still runs.
class RobotProcess {
public:
    RobotProcess() = default;
    ~RobotProcess();
    RobotProcess(const RobotProcess&) = delete;
    RobotProcess& operator=(const RobotProcess&) = delete;

    bool Start(const std::string& robotPath, const std::vector<std::string>& steps,
               DWORD timeoutPerStepMs, std::string* error);
    // False when the robot had not ended within waitMs (it is killed then).
    bool Finish(DWORD waitMs);
    HANDLE Handle() const { return m_process; }

    DWORD exitCode = 0;
    std::vector<std::string> seen;  // the records, with \n escaped as the robot wrote them
    std::string errorOutput;        // the robot's error line, if any

private:
    void Cleanup();
    HANDLE m_process = NULL;
    std::string m_outFile;
    std::string m_errFile;
};
