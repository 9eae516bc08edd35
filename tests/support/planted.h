#pragma once
#include <string>

// Copies the program that records its runs (VELMORA_PLANTED_PROGRAM) to path; the
// test fails when it cannot.
void PlantProgram(const std::string& path);
// What a planted copy at path recorded: the command line of every run, "" for none.
std::string PlantedRuns(const std::string& path);
// Removes a planted copy and its record.
void RemovePlanted(const std::string& path);
