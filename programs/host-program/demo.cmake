# Runs rebounder-host on each component and says where the results are.
# Variables: HOST_PROGRAM, OUTPUT_DIRECTORY, COMPONENTS (a list of
# name=path), FMU_DIRECTORY (empty when no archives were built; the
# strict-host set is in its folder strict-host/), REFERENCE_DIRECTORY (the
# reference results, when built), STOP_TIME.
file(MAKE_DIRECTORY ${OUTPUT_DIRECTORY})
set(outputs)
foreach(entry IN LISTS COMPONENTS)
    string(FIND "${entry}" "=" split)
    string(SUBSTRING "${entry}" 0 ${split} name)
    math(EXPR start "${split} + 1")
    string(SUBSTRING "${entry}" ${start} -1 path)
    message("")
    message("======== ${name} ========")
    execute_process(
        COMMAND ${HOST_PROGRAM} ${path} --stop-time ${STOP_TIME}
                --csv ${OUTPUT_DIRECTORY}/${name}.csv --svg ${OUTPUT_DIRECTORY}/${name}.svg --summary-limit 6
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "rebounder-host failed on ${name} (exit status ${result})")
    endif()
    list(APPEND outputs ${name})
endforeach()
list(JOIN outputs "," outputs_joined)
message("")
message("Trajectories (CSV) and plots (SVG): ${OUTPUT_DIRECTORY}/{${outputs_joined}}.{csv,svg}")
if(FMU_DIRECTORY)
    message("FMUs, one set for each kind of host (the same file names in both):")
    message("  ${FMU_DIRECTORY}/{${outputs_joined}}.fmu")
    message("    the default set: pellidor and corvane leave out the seven optional FMI 2.0")
    message("    functions (FMU state, directional derivatives). For hosts that look them up")
    message("    one by one and go on without them; this set tests that they do.")
    message("  ${FMU_DIRECTORY}/strict-host/{${outputs_joined}}.fmu")
    message("    for hosts that look up every FMI 2.0 function and refuse a library lacking")
    message("    one (FMPy, the FMU SDK's fmusim, the Reference FMUs' fmusim): pellidor and")
    message("    corvane also export the seven, each refusing the call.")
    message("  tressivo (FMI 1.0) is the same in both sets.")
else()
    message("FMUs: not built; the demo loaded the libraries directly")
endif()
if(EXISTS "${REFERENCE_DIRECTORY}")
    message("Reference results to compare a host's output with (rebounder-host --compare): ${REFERENCE_DIRECTORY}")
endif()
