# rebounder_add_host_check: the host check as one test of a host project's
# CTest suite.
#
#   rebounder_add_host_check(NAME <test name> HOST <command template>
#       [INTERFACE me|cs|me,cs] [FMI_VERSIONS <list of 1, 2, 3>] [PROBES <name or number>...]
#       [CSV_NAME <file>] [TIME_LIMIT <seconds>] [OPTIONS <more options>...])
#
# HOST is the template rebounder-hostcheck runs the host with ({fmu}, {csv},
# {stop}, {step}, {workdir}, {interface}); generator expressions such as
# $<TARGET_FILE:myhost> are expanded. The test fails when a probe fails (or
# the command line is wrong) and leaves <build>/<NAME>/report.md (with its
# plots) and <build>/<NAME>/junit.xml for CI to read.
function(rebounder_add_host_check)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;HOST;INTERFACE;FMI_VERSIONS;CSV_NAME;TIME_LIMIT"
                          "PROBES;OPTIONS")
    if(NOT arg_NAME OR NOT arg_HOST)
        message(FATAL_ERROR "rebounder_add_host_check needs NAME and HOST")
    endif()
    if(NOT TARGET Rebounder::rebounder-hostcheck)
        message(FATAL_ERROR "rebounder_add_host_check: this installation has no rebounder-hostcheck (Linux only)")
    endif()
    set(output ${CMAKE_CURRENT_BINARY_DIR}/${arg_NAME})
    set(options --report ${output}/report.md --junit ${output}/junit.xml)
    if(arg_INTERFACE)
        list(APPEND options --interface ${arg_INTERFACE})
    endif()
    if(arg_FMI_VERSIONS)
        list(APPEND options --fmi-versions ${arg_FMI_VERSIONS})
    endif()
    if(arg_PROBES)
        list(JOIN arg_PROBES "," probes)
        list(APPEND options --probes ${probes})
    endif()
    if(arg_CSV_NAME)
        list(APPEND options --csv-name ${arg_CSV_NAME})
    endif()
    if(arg_TIME_LIMIT)
        list(APPEND options --time-limit ${arg_TIME_LIMIT})
    endif()
    file(MAKE_DIRECTORY ${output})
    add_test(NAME ${arg_NAME}
             COMMAND Rebounder::rebounder-hostcheck --host "${arg_HOST}" ${options} ${arg_OPTIONS}
             WORKING_DIRECTORY ${output})
    set_tests_properties(${arg_NAME} PROPERTIES LABELS rebounder-hostcheck)
endfunction()
