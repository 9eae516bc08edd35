#include "tests/support/installation.h"

#include <gtest/gtest.h>

#include "tests/support/environment.h"
#include "tests/support/scratch.h"

const std::vector<std::string>& InstalledFileNames()
{
    static const std::vector<std::string> names = {"velmora.exe", "readme.txt", "license.txt",
                                                   "Install.inf", "uninst.exe"};
    return names;
}

void LayOutWorkFolder(const std::string& folder)
{
    ASSERT_TRUE(CopyFileA(ArtefactPath("VELMORA_INF").c_str(), (folder + "\\install.inf").c_str(),
                          FALSE)) << GetLastError();
    ASSERT_TRUE(CopyFileA(ArtefactPath("VELMORA_IMAGE").c_str(), (folder + "\\uninst.exe").c_str(),
                          FALSE)) << GetLastError();
    ASSERT_TRUE(CopyFileA(ArtefactPath("VELMORA_CABINET").c_str(), (folder + "\\data.cab").c_str(),
                          FALSE)) << GetLastError();
}

std::string RegistryString(HKEY root, const char* key, const char* value)
{
    char data[1024];
    DWORD size = sizeof data;
    if (RegGetValueA(root, key, value, RRF_RT_REG_SZ, NULL, data, &size) != ERROR_SUCCESS)
        return "<missing>";
    return data;
}

bool RegistryKeyExists(HKEY root, const char* key)
{
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

std::string WindowsFile(const char* name)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\" + name;
}

void ForgetInstallation()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
    RegDeleteTreeA(HKEY_CURRENT_USER, SETTINGS_KEY);
    RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY);
    DeleteFileA(WindowsFile("setup.ini").c_str());
}

static std::string ExpectedContent(const std::string& name)
{
    if (name == "Install.inf")
        return ReadWholeFile(ArtefactPath("VELMORA_INF"));
    if (name == "uninst.exe")
        return ReadWholeFile(ArtefactPath("VELMORA_IMAGE"));
    return ReadWholeFile(ArtefactPath("VELMORA_APP_FILES") + "\\" + name);
}

void ExpectInstalledFiles(const std::string& folder)
{
    for (const std::string& name : InstalledFileNames()) {
        std::string expected = ExpectedContent(name);
        ASSERT_FALSE(expected.empty()) << "no reference bytes for " << name;
        EXPECT_TRUE(ReadWholeFile(folder + "\\" + name) == expected)
            << folder << "\\" << name << " is missing or differs from the package's bytes";
    }
}

void ExpectNoInstalledFiles(const std::string& folder)
{
    for (const std::string& name : InstalledFileNames())
        EXPECT_FALSE(FileExists(folder + "\\" + name)) << folder << "\\" << name << " is left";
}
