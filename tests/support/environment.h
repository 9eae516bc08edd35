#pragma once
#include <string>

// A Windows path that ctest hands to the test through the environment
// (VELMORA_PACKAGE, VELMORA_IMAGE, ...); the test fails when it is missing.
std::string ArtefactPath(const char* variable);
