#include "tools/robot/robot.h"

#include <shlobj.h>

#include <fstream>
#include <sstream>

namespace {

const int kTreeId = 0x3741;
const int kEditId = 0x3744;
// Wine's message box template gives its text control no id of its own.
const int kMessageTextId = 0xFFFF;
const DWORD kPollMs = 20;
// Every cross-process message is bounded: a hung program must fail the step, not
// hang the robot.
const UINT kSendTimeoutMs = 2000;

struct Search {
    DWORD processId;
    SetupWindows found;
};

BOOL CALLBACK CollectSetupWindow(HWND window, LPARAM data)
{
    Search* search = reinterpret_cast<Search*>(data);
    char className[16];
    char caption[16];
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((search->processId && owner != search->processId) || !IsWindowVisible(window) || !GetClassNameA(window, className, sizeof className) ||
        lstrcmpA(className, "#32770") != 0)
        return TRUE;
    // GetWindowTextA reads a window's caption from the window manager, also across
    // processes; only control texts need WM_GETTEXT.
    GetWindowTextA(window, caption, sizeof caption);
    if (lstrcmpA(caption, "Setup") != 0)
        return TRUE;
    ++search->found.count;
    if (GetDlgItem(window, kTreeId)) {
        // The browser counts once our edit box is there: its initialisation is done.
        if (GetDlgItem(window, kEditId))
            search->found.browser = window;
    } else if (!search->found.messageBox) {
        search->found.messageBox = window;
    }
    return TRUE;
}

bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result)
{
    DWORD_PTR ignored;
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                               kSendTimeoutMs, result ? result : &ignored) != 0;
}

std::string WindowText(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendBounded(window, WM_GETTEXTLENGTH, 0, 0, &length))
        return "";
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendBounded(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                     &copied))
        return "";
    text.resize(copied);
    return text;
}

// Waits until test() holds, polling; false on timeout.
template <typename Test>
bool WaitFor(DWORD timeoutMs, Test test)
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

// Has the browser select a folder in its tree by its wide name, written into the
// browser's own process since the message carries a pointer. The shell then reports
// the selection as it does for a click, names outside the code page included.
bool SelectInBrowser(HWND browser, const std::string& utf8Path, DWORD timeoutMs, std::string* problem)
{
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Path.c_str(), -1, NULL, 0);
    if (length <= 0) {
        *problem = "the path is not UTF-8";
        return false;
    }
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8Path.c_str(), -1, &wide[0], length);
    DWORD processId = 0;
    GetWindowThreadProcessId(browser, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | SYNCHRONIZE |
                                     PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (!process) {
        *problem = "cannot open the browser's process: " + std::to_string(GetLastError());
        return false;
    }
    // The browser's setup may still select its start folder after the window shows;
    // a selection sent before that is undone. Bounded: a busy browser still gets it.
    WaitForInputIdle(process, timeoutMs);
    SIZE_T bytes = length * sizeof(WCHAR);
    void* remote = VirtualAllocEx(process, NULL, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    DWORD_PTR ignored;
    bool sent = remote && WriteProcessMemory(process, remote, wide.data(), bytes, NULL) &&
                SendMessageTimeoutW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote),
                                    SMTO_ABORTIFHUNG, timeoutMs, &ignored) != 0;
    // A browser still at work on the message may yet read the path: then it stays.
    if (remote && sent)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    if (!sent)
        *problem = "the browser did not take the selection";
    return sent;
}

int ButtonOf(const std::string& step)
{
    if (step == "yes")
        return IDYES;
    if (step == "no")
        return IDNO;
    if (step == "ok")
        return IDOK;
    if (step == "cancel")
        return IDCANCEL;
    return 0;
}

// A posted click: a press that opens the next box must not block the robot the way
// SendMessage would until that box has closed.
void PostClick(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace

SetupWindows FindSetupWindows(DWORD processId)
{
    Search search = {processId, SetupWindows()};
    EnumWindows(CollectSetupWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string MessageBoxText(HWND box)
{
    HWND text = GetDlgItem(box, kMessageTextId);
    if (text)
        return WindowText(text);
    // Any other layout: the longest static text is the message.
    std::string longest;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16];
        if (GetClassNameA(child, className, sizeof className) &&
            lstrcmpiA(className, "Static") == 0) {
            std::string candidate = WindowText(child);
            if (candidate.size() > longest.size())
                longest = candidate;
        }
    }
    return longest;
}

std::string EscapeLineFeeds(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

static bool RunStep(const std::string& step, DWORD timeoutMs, std::vector<std::string>* seen,
                    std::string* problem)
{
    HWND window = NULL;
    auto waitForBox = [&] {
        return WaitFor(timeoutMs, [&] { return (window = FindSetupWindows().messageBox) != NULL; });
    };
    auto waitForBrowser = [&] {
        return WaitFor(timeoutMs, [&] { return (window = FindSetupWindows().browser) != NULL; });
    };
    auto timeout = [&] {
        *problem = "timeout";
        return false;
    };

    int button = ButtonOf(step);
    if (button || step == "dismiss") {
        if (!waitForBox())
            return timeout();
        seen->push_back("box: " + MessageBoxText(window));
        if (!button) {
            // Whatever the box offers, the answer that changes least.
            const int kLeastFirst[] = {IDCANCEL, IDNO, IDOK};
            for (int candidate : kLeastFirst) {
                if (GetDlgItem(window, candidate)) {
                    button = candidate;
                    break;
                }
            }
            if (!button) {
                *problem = "the box has no Cancel, No or OK button";
                return false;
            }
        }
        if (!GetDlgItem(window, button)) {
            *problem = "the box has no such button";
            return false;
        }
        PostClick(window, button);
        HWND box = window;
        if (!WaitFor(timeoutMs, [&] { return !IsWindow(box) || !IsWindowVisible(box); }))
            return timeout();
        return true;
    }
    if (step.compare(0, 5, "type=") == 0) {
        if (!waitForBrowser())
            return timeout();
        std::string text = step.substr(5);
        if (!SendBounded(GetDlgItem(window, kEditId), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(text.c_str()), NULL)) {
            *problem = "the edit box did not take the text";
            return false;
        }
        return true;
    }
    if (step.compare(0, 7, "select=") == 0) {
        if (!waitForBrowser())
            return timeout();
        return SelectInBrowser(window, step.substr(7), timeoutMs, problem);
    }
    if (step == "read") {
        if (!waitForBrowser())
            return timeout();
        HWND ok = GetDlgItem(window, IDOK);
        seen->push_back("edit=" + WindowText(GetDlgItem(window, kEditId)) +
                        " ok=" + (ok && IsWindowEnabled(ok) ? "1" : "0"));
        return true;
    }
    if (step == "browse-ok" || step == "browse-cancel") {
        if (!waitForBrowser())
            return timeout();
        bool ok = step == "browse-ok";
        HWND button = GetDlgItem(window, ok ? IDOK : IDCANCEL);
        if (!button || !IsWindowEnabled(button)) {
            *problem = ok ? "OK is disabled" : "the browser has no Cancel button";
            return false;
        }
        HWND browser = window;
        PostClick(browser, ok ? IDOK : IDCANCEL);
        // After OK the browser closes, or stays open under a message box: either way
        // the next step must not find this press's browser as if nothing had happened.
        if (!WaitFor(timeoutMs, [&] {
                return !IsWindow(browser) || !IsWindowVisible(browser) ||
                       (ok && FindSetupWindows().messageBox != NULL);
            }))
            return timeout();
        return true;
    }
    if (step == "wait-gone") {
        if (!WaitFor(timeoutMs, [] { return FindSetupWindows().count == 0; }))
            return timeout();
        return true;
    }
    *problem = "unknown step";
    return false;
}

bool RunRobot(const std::vector<std::string>& steps, DWORD timeoutPerStepMs,
              std::vector<std::string>* seen, std::string* error)
{
    std::vector<std::string> ignored;
    if (!seen)
        seen = &ignored;
    for (size_t i = 0; i < steps.size(); ++i) {
        std::string problem;
        if (!RunStep(steps[i], timeoutPerStepMs, seen, &problem)) {
            if (error)
                *error = problem + " at step " + std::to_string(i + 1) + " (" + steps[i] + ")";
            return false;
        }
    }
    return true;
}

// Quotes one argument by the standard splitting rules: backslashes count only in
// front of a double quote.
static std::string QuoteArgument(const std::string& argument)
{
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

static std::string TempFileName()
{
    char folder[MAX_PATH];
    char name[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "rob", 0, name))
        return "";
    return name;
}

static std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(file, line))
        lines.push_back(line);
    return lines;
}

RobotProcess::~RobotProcess()
{
    if (m_process)
        TerminateProcess(m_process, 99);
    Cleanup();
}

void RobotProcess::Cleanup()
{
    if (m_process) {
        WaitForSingleObject(m_process, 5000);
        CloseHandle(m_process);
        m_process = NULL;
    }
    if (!m_outFile.empty())
        DeleteFileA(m_outFile.c_str());
    if (!m_errFile.empty())
        DeleteFileA(m_errFile.c_str());
    m_outFile.clear();
    m_errFile.clear();
}

bool RobotProcess::Start(const std::string& robotPath, const std::vector<std::string>& steps,
                         DWORD timeoutPerStepMs, std::string* error)
{
    m_outFile = TempFileName();
    m_errFile = TempFileName();
    if (m_outFile.empty() || m_errFile.empty()) {
        *error = "no temporary file names, error " + std::to_string(GetLastError());
        return false;
    }
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
    HANDLE errorFile = CreateFileA(m_errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (errorFile == INVALID_HANDLE_VALUE) {
        *error = "cannot open " + m_errFile + ", error " + std::to_string(GetLastError());
        return false;
    }
    std::string commandLine = QuoteArgument(robotPath) + " --timeout " +
                              std::to_string(timeoutPerStepMs) + " --out " +
                              QuoteArgument(m_outFile);
    for (const std::string& step : steps)
        commandLine += " " + QuoteArgument(step);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = errorFile;
    startup.hStdError = errorFile;
    PROCESS_INFORMATION started = {};
    BOOL ok = CreateProcessA(NULL, &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                             &started);
    DWORD lastError = GetLastError();
    CloseHandle(errorFile);
    if (!ok) {
        *error = "cannot start " + robotPath + ", error " + std::to_string(lastError);
        return false;
    }
    CloseHandle(started.hThread);
    m_process = started.hProcess;
    return true;
}

bool RobotProcess::Finish(DWORD waitMs)
{
    if (!m_process)
        return false;
    bool ended = WaitForSingleObject(m_process, waitMs) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(m_process, 99);
    WaitForSingleObject(m_process, 5000);
    GetExitCodeProcess(m_process, &exitCode);
    seen = ReadLines(m_outFile);
    std::vector<std::string> errors = ReadLines(m_errFile);
    errorOutput.clear();
    for (const std::string& line : errors)
        errorOutput += line;
    Cleanup();
    return ended;
}
