#include <gtest/gtest.h>

#include <string>

#include "driver/instance.h"
#include "resources/messages.h"
#include "tests/resources/expected_texts.h"

namespace {

const DWORD kFindBoxMilliseconds = 10000;
const int kMessageBoxTextId = 0xffff;  // Wine's and Windows' static control of the text
const int kMessageBoxIconId = 0x0440;

// What a helper thread saw of the "Setup" box of the test's own thread before
// pressing one of its buttons.
struct BoxSeen {
    DWORD thread = 0;
    int press = 0;
    bool found = false;
    std::string text;
    HWND owner = nullptr;
    LONG_PTR exStyle = 0;
    HICON icon = nullptr;
    bool buttons[IDNO + 1] = {};
    int defaultButton = 0;
};

BOOL CALLBACK FindSetupBox(HWND window, LPARAM found)
{
    char className[32] = "";
    char caption[32] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    if (lstrcmpA(className, "#32770") == 0 && lstrcmpA(caption, "Setup") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Presses OK and No in every dialog of the thread, so that a box the helper did not
// recognise cannot hang the test run.
BOOL CALLBACK DismissDialog(HWND window, LPARAM)
{
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0) {
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        PostMessageA(window, WM_COMMAND, IDNO, 0);
    }
    return TRUE;
}

DWORD WINAPI WatchForBox(LPVOID parameter)
{
    BoxSeen& seen = *static_cast<BoxSeen*>(parameter);
    HWND box = nullptr;
    for (DWORD waited = 0; !box && waited < kFindBoxMilliseconds; waited += 20) {
        Sleep(20);
        EnumThreadWindows(seen.thread, FindSetupBox, reinterpret_cast<LPARAM>(&box));
    }
    if (!box) {
        EnumThreadWindows(seen.thread, DismissDialog, 0);
        return 0;
    }
    seen.found = true;
    char text[1024] = "";
    SendMessageA(GetDlgItem(box, kMessageBoxTextId), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    seen.text = text;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.exStyle = GetWindowLongPtrA(box, GWL_EXSTYLE);
    seen.icon = reinterpret_cast<HICON>(SendDlgItemMessageA(box, kMessageBoxIconId, STM_GETICON, 0, 0));
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
        HWND button = GetDlgItem(box, id);
        seen.buttons[id] = button != nullptr;
        if (button && (GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            seen.defaultButton = id;
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(seen.press, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, seen.press)));
    return 0;
}

struct BoxCase {
    const char* name;
    UINT id;
    UINT style;
    const char* path;  // null for a plain text
    LPCSTR icon;       // null: no icon
    int buttons[2];    // the first is the default
    int press;
};

TEST(SetupMessageBox, ShowsTheCatalogueTextInAnOwnerlessSetupBoxOfTheGivenStyle)
{
    g_hInstance = GetModuleHandleA(nullptr);
    const LANGID language = ExpectedLanguage();
    ASSERT_NE(0, language) << "VELMORA_LANGUAGE is not set";
    const BoxCase cases[] = {
        {"question", IDS_CONFIRM_INSTALL, STYLE_QUESTION, nullptr, IDI_QUESTION, {IDYES, IDNO}, IDNO},
        {"warning with a path", IDS_FOLDER_INVALID, STYLE_WARNING, "C:\\Programme\\Velmor32", IDI_EXCLAMATION,
         {IDOK, 0}, IDOK},
        {"plain", IDS_INSTALL_DONE, STYLE_PLAIN, nullptr, nullptr, {IDOK, 0}, IDOK},
    };
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.name);
        BoxSeen seen;
        seen.thread = GetCurrentThreadId();
        seen.press = c.press;
        SetLastError(0xdeadbeef);
        HANDLE watcher = CreateThread(nullptr, 0, WatchForBox, &seen, 0, nullptr);
        ASSERT_NE(nullptr, watcher) << "CreateThread failed, GetLastError() " << GetLastError();
        SetLastError(0xdeadbeef);
        int answer = c.path ? ShowPathMessage(c.id, c.style, c.path) : ShowMessage(c.id, c.style);
        DWORD lastError = GetLastError();
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(watcher, kFindBoxMilliseconds + 5000));
        CloseHandle(watcher);

        ASSERT_TRUE(seen.found) << "no \"Setup\" dialog appeared; the call yielded " << answer
                                << ", GetLastError() " << lastError;
        EXPECT_EQ(c.press, answer) << "expected the pressed button " << c.press << ", came " << answer;
        const char* expected = ExpectedText(*FindCatalogueText(c.id), language);
        EXPECT_EQ(c.path ? WithPath(expected, c.path) : std::string(expected), seen.text);
        EXPECT_EQ(nullptr, seen.owner) << "the box has an owner window";
        EXPECT_EQ(0, seen.exStyle & WS_EX_TOPMOST) << "the box is topmost, extended style " << std::hex
                                                   << seen.exStyle;
        HICON expectedIcon = c.icon ? LoadIconA(nullptr, c.icon) : nullptr;
        EXPECT_EQ(expectedIcon, seen.icon) << "expected the icon " << expectedIcon << ", came " << seen.icon;
        for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
            bool wanted = id == c.buttons[0] || id == c.buttons[1];
            EXPECT_EQ(wanted, seen.buttons[id]) << "button " << id << (wanted ? " missing" : " present");
        }
        EXPECT_EQ(c.buttons[0], seen.defaultButton) << "expected default button " << c.buttons[0] << ", came "
                                                    << seen.defaultButton;
    }
}

} // namespace
