# Runs rebounder-host on each component and says where the results are.
# Variables: HOST_PROGRAM, OUTPUT_DIRECTORY, COMPONENTS (a list of
# name=path), FMU_DIRECTORY (empty when no archives were built), STOP_TIME.
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
    message("FMUs: ${FMU_DIRECTORY}/{${outputs_joined}}.fmu")
else()
    message("FMUs: not built; the demo loaded the libraries directly")
endif()
