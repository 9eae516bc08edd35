#include "tests/support/environment.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/scratch.h"

std::string ArtefactPath(const char* variable)
{
    char value[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(variable, value, sizeof value);
    EXPECT_TRUE(length > 0 && length < sizeof value) << variable << " is not set by ctest";
    return length > 0 && length < sizeof value ? value : "";
}

static bool SaveVariable(const WCHAR* name, WCHAR* value)
{
    DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}

void TemporaryFolderSetting::Set(const std::wstring& folder)
{
    m_hadTemp = SaveVariable(L"TEMP", m_temp);
    m_hadTmp = SaveVariable(L"TMP", m_tmp);
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
    SetEnvironmentVariableW(L"TMP", folder.c_str());
}

TemporaryFolderSetting::TemporaryFolderSetting(const std::wstring& folder) { Set(folder); }

TemporaryFolderSetting::TemporaryFolderSetting(const std::string& folder) { Set(Widen(folder)); }

TemporaryFolderSetting::~TemporaryFolderSetting()
{
    SetEnvironmentVariableW(L"TEMP", m_hadTemp ? m_temp : NULL);
    SetEnvironmentVariableW(L"TMP", m_hadTmp ? m_tmp : NULL);
}
