// Test stand-in for the Windows program grpconv, which Wine lacks: turns the
// Start-menu entries that an INF wrote into setup.ini into folders and
// shortcuts, then deletes setup.ini so that entries never pile up across runs.
//
// Groups are made under the current user's Programs folder (CSIDL_PROGRAMS):
// the user who ran the setup is the one who finds the items there.
#include "tools/grpconv/setup_ini.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> ReadSection(const std::string& iniPath, const std::string& section)
{
    std::vector<char> buffer(4096);
    for (;;) {
        DWORD length = GetPrivateProfileSectionA(section.c_str(), buffer.data(),
                                                 (DWORD)buffer.size(), iniPath.c_str());
        // size - 2 means the section did not fit.
        if (length + 2 < buffer.size())
            return SectionLines(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

bool MakeShortcut(const std::string& linkPath, const std::string& command)
{
    IShellLinkA* link = NULL;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                (void**)&link)))
        return false;
    bool saved = false;
    IPersistFile* file = NULL;
    if (SUCCEEDED(link->SetPath(command.c_str())) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
        std::wstring widePath(linkPath.size() + 1, L'\0');
        int wideLength = MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, &widePath[0],
                                             (int)widePath.size());
        saved = wideLength > 0 && SUCCEEDED(file->Save(widePath.c_str(), TRUE));
        file->Release();
    }
    link->Release();
    return saved;
}

bool MakeFolder(const std::string& folder)
{
    return CreateDirectoryA(folder.c_str(), NULL) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Applies one group's lines in file order; yields false when something failed.
bool ApplyGroup(const std::string& iniPath, const std::string& programs, const GroupLine& group)
{
    std::string folder = programs + "\\" + group.title;
    bool ok = MakeFolder(folder);
    for (const std::string& line : ReadSection(iniPath, group.section)) {
        ItemLine item = ParseItemLine(line);
        std::string linkPath = folder + "\\" + item.title + ".lnk";
        if (item.action == ITEM_ADD) {
            // A removal earlier in the file may have taken the emptied folder.
            ok = MakeFolder(folder) && MakeShortcut(linkPath, item.command) && ok;
        } else if (item.action == ITEM_REMOVE) {
            DeleteFileA(linkPath.c_str());
            // Goes only once the last shortcut has gone.
            RemoveDirectoryA(folder.c_str());
        }
    }
    return ok;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char windows[MAX_PATH];
    UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
    if (windowsLength == 0 || windowsLength >= sizeof windows)
        return 2;
    std::string iniPath = std::string(windows) + "\\setup.ini";
    if (GetFileAttributesA(iniPath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return 0;

    char programs[MAX_PATH];
    if (FAILED(SHGetFolderPathA(NULL, CSIDL_PROGRAMS | CSIDL_FLAG_CREATE, NULL, 0,
                                programs)))
        return 2;
    if (FAILED(CoInitialize(NULL)))
        return 2;
    bool ok = true;
    for (const std::string& line : ReadSection(iniPath, "progman.groups")) {
        GroupLine group = ParseGroupLine(line);
        if (group.valid)
            ok = ApplyGroup(iniPath, programs, group) && ok;
    }
    CoUninitialize();
    DeleteFileA(iniPath.c_str());
    return ok ? 0 : 1;
}
