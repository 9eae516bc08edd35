#pragma once
#include <windows.h>

// The module instance handle, stored once at start; every text is loaded through it.
extern HINSTANCE g_hInstance;
