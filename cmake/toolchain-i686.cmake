set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELMORA_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# The machine's Wine runs no 32-bit program: the WoW64 Wine of the sid root does
# (tools/wow64-root.sh). The session puts its wine, wineboot, wineserver and winepath
# first on PATH, for ctest's runs and for the Wine prefix fixture.
set(VELMORA_WINE_SESSION ${CMAKE_CURRENT_LIST_DIR}/wow64/session.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMORA_WINE_SESSION} ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
