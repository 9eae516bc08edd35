set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELMORA_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Only this target runs here: wine64 is the emulator for ctest and build-time runs.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
