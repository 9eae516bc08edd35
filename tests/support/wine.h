#pragma once

// The major version of the Wine that runs this test (8 for "wine-8.0"), or 0
// outside Wine. Where Wine versions differ, a test names the version it expects.
int WineMajorVersion();
