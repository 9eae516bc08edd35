#include "tests/support/wine.h"

#include <windows.h>

#include <stdlib.h>

int WineMajorVersion()
{
    typedef const char*(CDECL * VersionFunction)(void);
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    VersionFunction version =
        ntdll ? reinterpret_cast<VersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))
              : NULL;
    return version ? atoi(version()) : 0;
}
