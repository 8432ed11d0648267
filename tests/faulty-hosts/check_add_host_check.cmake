cmake_minimum_required(VERSION 3.25)
# rebounder_add_host_check in a host project of its own, the program imported
# as an installation imports it: one template with FMI_VERSIONS 3, and two
# templates side by side. Variables: HOSTCHECK, MODULE (RebounderHostCheck.cmake),
# COPES and FORMAT (the FMI 3.0 test host as it copes and with its format
# logger), FMUS, WORK.
file(REMOVE_RECURSE ${WORK})
set(arguments "{fmu} {csv} {stop} {step} {workdir} {interface}")
file(CONFIGURE OUTPUT ${WORK}/source/CMakeLists.txt @ONLY CONTENT [=[
cmake_minimum_required(VERSION 3.25)
project(host_project NONE)
enable_testing()
add_executable(Rebounder::rebounder-hostcheck IMPORTED)
set_target_properties(Rebounder::rebounder-hostcheck PROPERTIES IMPORTED_LOCATION "@HOSTCHECK@")
include("@MODULE@")
rebounder_add_host_check(NAME one HOST "@COPES@ @arguments@" FMI_VERSIONS 3 PROBES log lifecycle
                         OPTIONS --fmus "@FMUS@" --quiet)
rebounder_add_host_check(NAME side-by-side HOST "@COPES@ @arguments@" "@FORMAT@ @arguments@"
                         LABELS copes format FMI_VERSIONS 3 PROBES log OPTIONS --fmus "@FMUS@" --quiet)
]=])
execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK}/source -B ${WORK}/build RESULT_VARIABLE configured OUTPUT_QUIET)
if(NOT configured EQUAL 0)
    message(FATAL_ERROR "the host project does not configure")
endif()
set(problems "")
foreach(test one side-by-side)
    execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${WORK}/build -R "^${test}$" --output-on-failure
                    RESULT_VARIABLE status_${test} OUTPUT_VARIABLE output_${test})
    if(NOT EXISTS ${WORK}/build/${test}/junit.xml OR NOT EXISTS ${WORK}/build/${test}/report.md)
        list(APPEND problems "${test} left no junit.xml and report.md")
    endif()
endforeach()
file(READ ${WORK}/build/one/junit.xml one)
file(READ ${WORK}/build/side-by-side/junit.xml two)
# The coping host passes; beside it the format logger fails, and so the test.
if(NOT status_one EQUAL 0 OR NOT one MATCHES "name=\"6. Log messages\"[^>]*>\n *<system-out>note: varnelle me")
    list(APPEND problems "one template with FMI 3.0 runs: ${output_one}")
endif()
string(REGEX MATCHALL "<testsuite name=\"[^\"]+\"" suites "${two}")
if(status_side-by-side EQUAL 0 OR NOT suites STREQUAL
   "<testsuite name=\"rebounder-hostcheck: copes\";<testsuite name=\"rebounder-hostcheck: format\"")
    list(APPEND problems "two templates: ${suites} ${output_side-by-side}")
endif()
if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "rebounder_add_host_check made the wrong tests:\n  ${text}")
endif()
