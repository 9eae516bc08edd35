#include "folderdialog/folder_dialog.h"

#include "folderdialog/validate.h"
#include "package/spellable_path.h"

FolderDialog::FolderDialog(const char* caption, const char* prompt, const char* initialFolder)
{
    m_caption = caption;
    m_initialFolder = initialFolder;
    m_browserWindow = NULL;
    ZeroMemory(&m_browseInfo, sizeof m_browseInfo);
    m_browseInfo.lpszTitle = prompt;
    m_browseInfo.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    m_browseInfo.lpfn = BrowseCallback;
}

int FolderDialog::DoModal()
{
    BrowseHookRecord record;
    record.folderDialog = this;
    record.previousProc = NULL;
    char displayName[MAX_PATH];
    int result = -1;

    IMalloc* allocator;
    if (FAILED(SHGetMalloc(&allocator)))
        return result;
    m_browseInfo.lpfn = BrowseCallback;
    m_browseInfo.lParam = (LPARAM)&record;
    m_browseInfo.pszDisplayName = displayName;
    m_accepted = 0;
    m_validating = 0;
    m_cancelled = 0;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&m_browseInfo);
    // Both point into this frame: leave nothing dangling in the object.
    m_browseInfo.lParam = 0;
    m_browseInfo.pszDisplayName = NULL;
    if (chosen)
        allocator->Free(chosen);
    if (m_accepted)
        result = 1;
    allocator->Release();
    return result;
}

static void ShowInEditBox(HWND browser, const char* text)
{
    // Setting the text notifies EN_CHANGE synchronously, so FolderDialogProc has
    // re-read m_path and set the OK state by the time this returns.
    SetDlgItemTextA(browser, ID_FOLDER_EDIT, text);
}

// The initial folder, or without one the current directory, read into buffer
// (MAX_PATH characters; left empty when the directory does not fit).
static const char* InitialFolderOrCurrent(const FolderDialog* dialog, char* buffer)
{
    if (dialog->m_initialFolder)
        return dialog->m_initialFolder;
    buffer[0] = 0;
    GetCurrentDirectoryA(MAX_PATH, buffer);
    return buffer;
}

static void InitialiseBrowser(HWND browser, BrowseHookRecord* record)
{
    FolderDialog* dialog = record->folderDialog;
    dialog->m_browserWindow = browser;
    if (dialog->m_caption)
        SetWindowTextA(browser, dialog->m_caption);
    SetWindowLongPtrA(browser, GWLP_USERDATA, (LONG_PTR)record);
    record->previousProc =
        (WNDPROC)SetWindowLongPtrA(browser, GWLP_WNDPROC, (LONG_PTR)FolderDialogProc);
    ShowWindow(GetDlgItem(browser, ID_BROWSER_STATUS), SW_HIDE);

    RECT tree;
    GetWindowRect(GetDlgItem(browser, ID_BROWSER_TREE), &tree);
    POINT topLeft = {tree.left, tree.top - 27};
    POINT bottomRight = {tree.right, tree.top - 4};
    ScreenToClient(browser, &topLeft);
    ScreenToClient(browser, &bottomRight);
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, topLeft.x,
                                topLeft.y, bottomRight.x - topLeft.x, bottomRight.y - topLeft.y,
                                browser, NULL, NULL, NULL);
    SetWindowLongPtrA(edit, GWLP_ID, ID_FOLDER_EDIT);
    ShowWindow(edit, SW_SHOW);
    SendMessageA(edit, WM_SETFONT, SendMessageA(browser, WM_GETFONT, 0, 0), TRUE);

    char currentDirectory[MAX_PATH];
    const char* start = InitialFolderOrCurrent(dialog, currentDirectory);
    SendMessageA(browser, BFFM_SETSTATUSTEXTA, 0, (LPARAM)start);
    ShowInEditBox(browser, start);
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, (LPARAM)start);
}

// SHGetPathFromIDListA, except that a letter the code page lacks never becomes a
// look-alike ("Lódz" for "Łódź", which may be another folder): the short form
// stands in, or where none is spelt, the name with "?", which validation refuses.
static int SelectedPath(LPCITEMIDLIST item, char* path)
{
    if (!SHGetPathFromIDListA(item, path))
        return 0;
    WCHAR realPath[MAX_PATH];
    if (SHGetPathFromIDListW(item, realPath) && !RespellPath(path, MAX_PATH, realPath))
        SpellInAnsi(realPath, path, MAX_PATH);
    return 1;
}

static void ShowSelection(HWND browser, BrowseHookRecord* record, LPCITEMIDLIST item)
{
    char path[MAX_PATH];
    const char* text = path;
    int enableOk = 1;
    // Wine reports the desktop root as a null list.
    if (!item || !SelectedPath(item, path)) {
        // Outside the file system the start text comes back.
        text = InitialFolderOrCurrent(record->folderDialog, path);
    } else if (!path[0] || path[1] != ':') {
        text = "";
        enableOk = 0;
    }
    SendMessageA(browser, BFFM_ENABLEOK, 0, enableOk);
    SendMessageA(browser, BFFM_SETSTATUSTEXTA, 0, (LPARAM)text);
    ShowInEditBox(browser, text);
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM parameter, LPARAM data)
{
    BrowseHookRecord* record = (BrowseHookRecord*)data;
    if (message == BFFM_INITIALIZED)
        InitialiseBrowser(window, record);
    else if (message == BFFM_SELCHANGED)
        ShowSelection(window, record, (LPCITEMIDLIST)parameter);
    return 0;
}

static void PressOk(HWND browser, FolderDialog* dialog)
{
    if (dialog->m_validating)
        return;
    GetDlgItemTextA(browser, ID_FOLDER_EDIT, dialog->m_path, MAX_PATH);
    // The edit box stays live under the message boxes and rewrites m_path on every
    // change: validate a copy, so that what is accepted is what was checked.
    char checked[MAX_PATH];
    lstrcpyA(checked, dialog->m_path);
    dialog->m_validating = 1;
    int result = ValidateDestination(checked);
    dialog->m_validating = 0;
    if (dialog->m_cancelled)
        return;
    if (result != PATH_OK) {
        SetFocus(GetDlgItem(browser, ID_FOLDER_EDIT));
        return;
    }
    lstrcpyA(dialog->m_path, checked);
    dialog->m_accepted = 1;
    EndDialog(dialog->m_browserWindow, IDOK);
}

LRESULT CALLBACK FolderDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    BrowseHookRecord* record = (BrowseHookRecord*)GetWindowLongPtrA(window, GWLP_USERDATA);
    if (message == WM_COMMAND) {
        UINT id = LOWORD(wParam);
        UINT code = HIWORD(wParam);
        if (id == IDOK && code == 0) {
            PressOk(window, record->folderDialog);
            return 1;
        }
        // The browser's own handling ends the dialog; a validation still running
        // under its box must not accept afterwards.
        if (id == IDCANCEL)
            record->folderDialog->m_cancelled = 1;
        if (id == ID_FOLDER_EDIT && (code == 0 || code == EN_CHANGE)) {
            int length =
                GetDlgItemTextA(window, ID_FOLDER_EDIT, record->folderDialog->m_path, MAX_PATH);
            SendMessageA(window, BFFM_ENABLEOK, 0, length > 0);
            return 1;
        }
    }
    return CallWindowProcA(record->previousProc, window, message, wParam, lParam);
}
