#include "driver/dll_search.h"

#include <windows.h>

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD);

void RestrictDllSearch()
{
    // Looked up at run time: systems without it must still start.
    SetDefaultDllDirectoriesFunction setDefaultDllDirectories =
        (SetDefaultDllDirectoriesFunction)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                                "SetDefaultDllDirectories");
    if (setDefaultDllDirectories)
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryA("");
}
