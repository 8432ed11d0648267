# Where an installation puts everything, for `cmake --install` and for the
# packages alike (paths relative to the prefix):
#   <libdir>/rebounder/               the component libraries, default profile
#   <libdir>/rebounder/strict-host/   pellidor and corvane, strict-host profile
#   <libdir>/cmake/Rebounder/         the CMake package configuration
#   share/rebounder/fmu/              the default FMUs
#   share/rebounder/fmu/strict-host/  the FMUs for strict hosts (same names)
#   share/rebounder/reference-results/, share/rebounder/*.md
#   bin/rebounder-host
# Where the system has a multiarch library folder (Debian: lib/x86_64-linux-gnu)
# <libdir> is that folder, whatever the prefix, so that the Debian package
# holds the libraries where that system expects them.
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR})
    set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH "Object code libraries (LIBDIR)")
endif()
include(GNUInstallDirs)

set(REBOUNDER_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR}/rebounder)
set(REBOUNDER_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/rebounder)
set(REBOUNDER_INSTALL_FMUDIR ${REBOUNDER_INSTALL_DATADIR}/fmu)
set(REBOUNDER_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Rebounder)
