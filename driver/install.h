#pragma once
#include <windows.h>

// Install mode: confirmation, destination choice, split, "DefaultInstall", report.
void RunInstall(HINSTANCE instance, const char* packagePath);
