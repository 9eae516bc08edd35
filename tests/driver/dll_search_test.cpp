#include "driver/dll_search.h"

#include <gtest/gtest.h>

#include "tests/support/environment.h"
#include "tests/support/scratch.h"

// A library planted in the current folder (a downloads or temporary folder) loads
// by its bare name until the search is restricted, and never after.
TEST(DllSearch, APlantedLibraryInTheCurrentFolderIsNoLongerLoaded)
{
    ScratchFolder downloads;
    const std::string planted = ArtefactPath("VELMORA_PLANTED_DLL");
    for (const char* name : {"planted1.dll", "planted2.dll"})
        ASSERT_TRUE(CopyFileA(planted.c_str(), (downloads / name).c_str(), FALSE)) << GetLastError();
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(downloads.Path().c_str())) << GetLastError();

    HMODULE before = LoadLibraryA("planted1.dll");
    EXPECT_NE(nullptr, before) << "the fixture is wrong: the current folder was never searched, "
                               << GetLastError();
    RestrictDllSearch();
    SetLastError(0xdeadbeef);
    HMODULE after = LoadLibraryA("planted2.dll");
    EXPECT_EQ(nullptr, after) << "a library from the current folder was loaded after the restriction";
    EXPECT_EQ((DWORD)ERROR_MOD_NOT_FOUND, GetLastError());
    EXPECT_NE(nullptr, LoadLibraryA("shlwapi.dll")) << "system libraries must still load: "
                                                    << GetLastError();

    if (before)
        FreeLibrary(before);
    if (after)
        FreeLibrary(after);
    SetCurrentDirectoryA(previous);
}
