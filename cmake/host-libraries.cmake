# The libraries of the programs around the components (the components
# themselves use the C library alone): rebounder-host unpacks .fmu archives
# with libzip, and it and the test program's archive checks read model
# descriptions with expat. Both come from Debian (scripts/install-deps.sh).
#
# libzip rather than minizip: libzip is actively maintained, checks an
# archive's consistency on opening it (ZIP_CHECKCONS), and puts each failure
# into words of its own (zip_error_strerror), which rebounder-host passes on;
# minizip answers with bare status codes.
# expat rather than tinyxml2: expat is a conforming XML parser (entities,
# character references, CDATA sections, the encodings an XML declaration
# names, limits against entity-expansion attacks) and libexpat1 is on every
# Debian system already; tinyxml2 reads UTF-8 only and passes an entity
# reference it does not know through as text. The few elements a host reads go into a small tree of our
# own (host/xml_reader.h), so no caller sees expat.
#
# Both are found through pkg-config: the CMake package of Debian 12's libzip
# refers to programs of another package (libzip-tools) and fails without them.
#
# Where they are used:
#  - a 64-bit build for this machine requires them;
#  - a 32-bit build (preset linux32) uses Debian's i386 builds, which
#    scripts/install-linux32-deps.sh installs; without them it leaves out
#    rebounder-host and the tools and tests built on it, and its archives are
#    checked by fmu/check_archive.cmake as in a cross build;
#  - a cross build for Windows builds neither rebounder-host nor the archive
#    checks of the test program (Debian has no MinGW builds of the two), so
#    it does not look for them.
# REBOUNDER_HOST_LIBRARIES says whether they are there; then PkgConfig::libzip
# and PkgConfig::expat are their targets.
set(REBOUNDER_HOST_LIBRARIES OFF)
if(CMAKE_CROSSCOMPILING)
    return()
endif()

find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
    pkg_check_modules(libzip QUIET IMPORTED_TARGET libzip)
    pkg_check_modules(expat QUIET IMPORTED_TARGET expat)
endif()
if(libzip_FOUND AND expat_FOUND)
    set(REBOUNDER_HOST_LIBRARIES ON)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 8)
    message(FATAL_ERROR "rebounder-host needs libzip and expat, found through pkg-config: "
                        "scripts/install-deps.sh installs them (libzip-dev, libexpat1-dev, pkg-config)")
else()
    message(STATUS "No 32-bit libzip and expat (scripts/install-linux32-deps.sh installs them): "
                   "rebounder-host, the tools and tests built on it and the test program's archive checks "
                   "are left out; fmu/check_archive.cmake checks the archives")
endif()
