#pragma once
#include <windows.h>
#include <shlobj.h>

class FolderDialog;

// Links the browser window to the dialog object while SHBrowseForFolderA runs; it is
// the browse callback's data and the browser window's user data.
struct BrowseHookRecord {
    FolderDialog* folderDialog;
    WNDPROC previousProc;
};

// Control ids inside the shell's folder browser; the edit box is our own.
#define ID_BROWSER_TREE 14145
#define ID_BROWSER_STATUS 14147
#define ID_FOLDER_EDIT 14148

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM parameter, LPARAM data);
LRESULT CALLBACK FolderDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The shell's folder browser with an edit box above the tree. The edit box's text is
// the result; OK closes the browser only once ValidateDestination has passed it.
// The strings are not copied: they must outlive DoModal.
class FolderDialog {
public:
    FolderDialog(const char* caption, const char* prompt, const char* initialFolder);
    // 1 when OK passed validation (then GetPath holds the text as typed), else -1.
    virtual int DoModal();
    const char* GetPath() { return m_path; }

    char m_path[MAX_PATH];
    int m_accepted;
    HWND m_browserWindow;
    const char* m_caption;
    const char* m_initialFolder;
    BROWSEINFOA m_browseInfo;
    // Set while a press of OK is being validated: the message boxes have no owner, so
    // the browser stays enabled and could be pressed again underneath them.
    int m_validating;
    // Set once Cancel or the close button has ended the browser, which can happen
    // under a validation's box: whatever the box is then answered, nothing is accepted.
    int m_cancelled;
};
