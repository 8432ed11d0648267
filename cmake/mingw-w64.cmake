# The part of the MinGW-w64 toolchain files common to both Windows targets;
# each sets mingw_triplet and CMAKE_SYSTEM_PROCESSOR, then includes this.
# Programs built for Windows, the test program among them, run under Wine
# when it is installed.
set(CMAKE_SYSTEM_NAME Windows)

# The compilers with POSIX threads: GoogleTest needs std::mutex, which the
# win32-threads variant lacks. The components start no threads and link as C,
# so they import nothing from the threads library either way (the export
# check verifies their imports).
set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)

# Libraries and headers come from the MinGW tree only, never from the Linux
# system; build tools (objdump, bash, wine) come from the Linux system.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows executables built here (the test program) are started through Wine,
# with a Wine prefix of their own inside the build directory.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh ${CMAKE_BINARY_DIR}/wine)
endif()

# No link time in the DLLs' headers: the same sources give the same bytes,
# and so the same FMU archives.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-Wl,--no-insert-timestamp")
