# GoogleTest for the builds whose target Debian's libgtest-dev libraries do
# not fit (the Windows cross builds and 32-bit Linux): the package ships the
# sources, which are built here for the target (only what the test program
# needs, as part of it).
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
if(WIN32)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
endif()
set(REBOUNDER_GOOGLETEST_SOURCE /usr/src/googletest/googletest CACHE PATH "GoogleTest sources to build for the target")
if(NOT EXISTS ${REBOUNDER_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${REBOUNDER_GOOGLETEST_SOURCE} (Debian package libgtest-dev)")
endif()
add_subdirectory(${REBOUNDER_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Its warnings are its own business: warnings as errors hold for our targets.
set_target_properties(gtest gtest_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
