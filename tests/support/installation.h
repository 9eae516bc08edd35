#pragma once
#include <windows.h>

#include <string>
#include <vector>

#define UNINSTALL_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmor32"
#define SETTINGS_KEY "Software\\Karvenko\\Velmora"

// The files that the package INF installs, as named in its file list.
const std::vector<std::string>& InstalledFileNames();

// Lays out a working folder as the split leaves it: install.inf, uninst.exe and
// data.cab of the built package.
void LayOutWorkFolder(const std::string& folder);

// A registry string value, or "<missing>" when it cannot be read.
std::string RegistryString(HKEY root, const char* key, const char* value);
bool RegistryKeyExists(HKEY root, const char* key);
// Removes what an installation writes to the registry and setup.ini.
void ForgetInstallation();
std::string WindowsFile(const char* name);

// Checks that folder holds every installed file with the bytes of the package.
void ExpectInstalledFiles(const std::string& folder);
void ExpectNoInstalledFiles(const std::string& folder);
