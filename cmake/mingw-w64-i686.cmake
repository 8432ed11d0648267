# Cross-builds the components as 32-bit Windows DLLs (FMI platform win32) with
# Debian's MinGW-w64 (package g++-mingw-w64-i686). The test program runs
# under Wine's 32-bit half (package wine32).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(mingw_triplet i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/x86-32.cmake)
set(CMAKE_C_FLAGS_INIT "${rebounder_x86_32_flags}")
set(CMAKE_CXX_FLAGS_INIT "${rebounder_x86_32_flags}")
