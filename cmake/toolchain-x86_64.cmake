set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELMORA_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# The machine's own wine64 runs the 64-bit twin, for ctest's runs.
set(VELMORA_WINE_SESSION "")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
