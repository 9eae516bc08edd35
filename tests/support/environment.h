#pragma once
#include <windows.h>

#include <string>

// A Windows path that ctest hands to the test through the environment
// (VELMORA_PACKAGE, VELMORA_IMAGE, ...); the test fails when it is missing.
std::string ArtefactPath(const char* variable);

// Sets TEMP and TMP for this process (and so for the children it starts), and puts
// the old values back when the case ends, also when it fails.
class TemporaryFolderSetting {
public:
    explicit TemporaryFolderSetting(const std::string& folder);
    // A folder whose name the ANSI code page may not spell.
    explicit TemporaryFolderSetting(const std::wstring& folder);
    ~TemporaryFolderSetting();
    TemporaryFolderSetting(const TemporaryFolderSetting&) = delete;
    TemporaryFolderSetting& operator=(const TemporaryFolderSetting&) = delete;

private:
    void Set(const std::wstring& folder);
    WCHAR m_temp[MAX_PATH];
    WCHAR m_tmp[MAX_PATH];
    bool m_hadTemp;
    bool m_hadTmp;
};
