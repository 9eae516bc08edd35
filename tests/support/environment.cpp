#include "tests/support/environment.h"

#include <gtest/gtest.h>
#include <windows.h>

std::string ArtefactPath(const char* variable)
{
    char value[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(variable, value, sizeof value);
    EXPECT_TRUE(length > 0 && length < sizeof value) << variable << " is not set by ctest";
    return length > 0 && length < sizeof value ? value : "";
}

static bool SaveVariable(const char* name, char* value)
{
    DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}

TemporaryFolderSetting::TemporaryFolderSetting(const std::string& folder)
{
    m_hadTemp = SaveVariable("TEMP", m_temp);
    m_hadTmp = SaveVariable("TMP", m_tmp);
    SetEnvironmentVariableA("TEMP", folder.c_str());
    SetEnvironmentVariableA("TMP", folder.c_str());
}

TemporaryFolderSetting::~TemporaryFolderSetting()
{
    SetEnvironmentVariableA("TEMP", m_hadTemp ? m_temp : NULL);
    SetEnvironmentVariableA("TMP", m_hadTmp ? m_tmp : NULL);
}
