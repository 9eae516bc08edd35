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
