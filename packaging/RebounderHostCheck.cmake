# rebounder_add_host_check: the host check as one test of a host project's
# CTest suite.
#
#   rebounder_add_host_check(NAME <test name> HOST <command template>... [LABELS <label>...]
#       [INTERFACE me|cs|me,cs] [FMI_VERSIONS <list of 1, 2, 3>] [PROBES <name or number>...]
#       [CSV_NAME <file>] [TIME_LIMIT <seconds>] [OPTIONS <more options>...])
#
# HOST is the template rebounder-hostcheck runs the host with ({fmu}, {csv},
# {stop}, {step}, {workdir}, {interface}); generator expressions such as
# $<TARGET_FILE:myhost> are expanded. Several templates (of one host, say
# with and without an option) are checked side by side, each on runs of its
# own; LABELS names them in the same order (default: host 1, host 2, ...).
# FMI_VERSIONS 3 adds the FMI 3.0 runs. The test fails when a probe fails for
# any template (or the command line is wrong) and leaves
# <build>/<NAME>/report.md (with its plots) and <build>/<NAME>/junit.xml (a
# test suite per template) for CI to read.
function(rebounder_add_host_check)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;INTERFACE;CSV_NAME;TIME_LIMIT"
                          "HOST;LABELS;FMI_VERSIONS;PROBES;OPTIONS")
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
        list(JOIN arg_FMI_VERSIONS "," versions)
        list(APPEND options --fmi-versions ${versions})
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
    # Each template a --host, each label a --label right after its template.
    list(LENGTH arg_HOST count)
    list(LENGTH arg_LABELS labelled)
    if(labelled GREATER count)
        message(FATAL_ERROR "rebounder_add_host_check: more LABELS than HOST templates")
    endif()
    set(hosts "")
    math(EXPR last "${count} - 1")
    foreach(k RANGE ${last})
        list(GET arg_HOST ${k} template)
        # A semicolon of the shell stays inside its template.
        string(REPLACE ";" "\\;" template "${template}")
        list(APPEND hosts --host "${template}")
        if(k LESS labelled)
            list(GET arg_LABELS ${k} label)
            list(APPEND hosts --label "${label}")
        endif()
    endforeach()
    file(MAKE_DIRECTORY ${output})
    add_test(NAME ${arg_NAME}
             COMMAND Rebounder::rebounder-hostcheck ${hosts} ${options} ${arg_OPTIONS}
             WORKING_DIRECTORY ${output})
    set_tests_properties(${arg_NAME} PROPERTIES LABELS rebounder-hostcheck)
endfunction()
