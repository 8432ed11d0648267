# Tests of the Windows cross build, run on this Linux machine:
# - each DLL's export and import tables, read with MinGW's objdump;
# - the whole test program, run once under Wine against the DLLs.

# The test program carries its C++ runtime inside, so Wine needs no MinGW DLLs.
target_link_options(component_tests PRIVATE -static)

foreach(component pellidor corvane tressivo varnelle)
    if(TARGET ${component})
        add_test(NAME ${component}_dll_exports
                 COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-dll-exports.sh ${CMAKE_OBJDUMP}
                         $<TARGET_FILE:${component}> ${CMAKE_CURRENT_SOURCE_DIR}/exports/${component}.txt)
        set_tests_properties(${component}_dll_exports PROPERTIES LABELS exports)
    endif()
    # The strict-host profile adds the seven optional FMI 2.0 functions.
    if(TARGET ${component}_strict_host)
        add_test(NAME ${component}_strict_host_dll_exports
                 COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-dll-exports.sh ${CMAKE_OBJDUMP}
                         $<TARGET_FILE:${component}_strict_host> ${CMAKE_CURRENT_SOURCE_DIR}/exports/${component}.txt
                         ${CMAKE_CURRENT_SOURCE_DIR}/exports/fmi2-strict-host.txt)
        set_tests_properties(${component}_strict_host_dll_exports PROPERTIES LABELS exports)
    endif()
endforeach()

# 32-bit Wine is itself a 32-bit Linux program. On a machine whose kernel
# starts those through QEMU's user-mode emulation (scripts/enable-i386-programs.sh)
# Wine runs, but cannot dispatch a Windows exception: the process dies at the
# first one. Starting a thread raises one inside Wine, and so does GoogleTest
# when it hands a skip or failure message to the debugger. There the run
# leaves out the tests that start threads and the ELF-only checks that skip
# on Windows.
set(wine_test_filter)
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND EXISTS /proc/sys/fs/binfmt_misc/qemu-i386)
    file(READ /proc/sys/fs/binfmt_misc/qemu-i386 i386_emulation)
    if(i386_emulation MATCHES "^enabled")
        message(STATUS "32-bit programs run under QEMU here: the Wine run leaves out Threads.* and BinarySurface.*")
        set(wine_test_filter --gtest_filter=-Threads.*:BinarySurface.*)
    endif()
endif()

# One Wine start for the whole program: starting Wine for each test would
# take minutes. The program itself reports every failing test.
add_test(NAME component_tests_under_wine COMMAND component_tests --gtest_brief=1 ${wine_test_filter})
set_tests_properties(component_tests_under_wine PROPERTIES LABELS wine TIMEOUT 900)
