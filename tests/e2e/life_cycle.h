#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "tests/resources/expected_texts.h"

// What one run of the package showed, as the robot recorded it, and how it ended.
struct PackageRun {
    std::vector<std::string> seen;
    bool robotFinished = false;
    std::string robotError;
    DWORD exitCode = STILL_ACTIVE;
};

// Starts the package with commandLine (default: its quoted path) and answers its
// windows with the robot's steps, each waited for at most stepTimeoutMs.
PackageRun RunPackage(const std::vector<std::string>& steps, const std::string& commandLine = "",
                      const char* application = NULL, const char* folder = NULL,
                      DWORD stepTimeoutMs = 20000);

// The same with a wide command line, for names the ANSI code page cannot spell.
PackageRun RunPackage(const std::vector<std::string>& steps, const std::wstring& commandLine,
                      DWORD stepTimeoutMs = 20000);

// The robot's record of a message box with a catalogue text, in this run's language.
std::string Box(UINT id);
std::string Box(UINT id, const std::string& path);

std::string DefaultDestination();
std::string ShortPath(const std::string& path);
std::string LongPath(const std::string& path);
std::string TempFolder();
// Names in folder that begin with prefix ("Vel" working folders, "Del" copies).
std::vector<std::string> EntriesStartingWith(const std::string& folder, const std::string& prefix);
// The Start-menu shortcut that grpconv makes for an item of the group.
std::string StartMenuShortcut(const char* item);
// Polls until predicate holds or timeoutMs pass; yields the predicate's last value.
bool WaitUntil(bool (*predicate)(const std::string&), const std::string& argument, DWORD timeoutMs);
