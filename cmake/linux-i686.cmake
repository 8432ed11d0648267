# Builds for 32-bit x86 Linux (FMI platform linux32) on a 64-bit Debian
# machine with the compiler's -m32 (packages gcc-multilib and g++-multilib).
# The machine runs these programs natively, so this is no cross build: the
# test program and the host program run as they do in the 64-bit build.
include(${CMAKE_CURRENT_LIST_DIR}/x86-32.cmake)
set(CMAKE_C_FLAGS_INIT "-m32 ${rebounder_x86_32_flags}")
set(CMAKE_CXX_FLAGS_INIT "-m32 ${rebounder_x86_32_flags}")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
# pkg-config reads the i386 packages' descriptions (libzip, expat: see
# cmake/host-libraries.cmake), never this machine's 64-bit ones.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig")
