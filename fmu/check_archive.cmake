# Checks one .fmu on the build machine, for builds whose test program does not
# check archives itself (a cross build's runs under Wine; a 32-bit build's
# lacks the 32-bit expat):
#   cmake -D ARCHIVE=<x.fmu> -D BINARY=binaries/<platform>/<id><suffix>
#         -D SCHEMA=<entry .xsd> -D XMLLINT=<xmllint> -D WORK=<folder> -P check_archive.cmake
# The archive must hold modelDescription.xml at its root and the one library,
# and the description must validate against the schema.

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ARCHIVE}
                OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${ARCHIVE}: cannot be listed")
endif()
string(REPLACE "\n" ";" entries "${listing}")
set(files)
foreach(entry IN LISTS entries)
    if(entry AND NOT entry MATCHES "/$")
        list(APPEND files ${entry})
    endif()
endforeach()
list(SORT files)
set(expected modelDescription.xml ${BINARY})
list(SORT expected)
if(NOT files STREQUAL expected)
    message(FATAL_ERROR "${ARCHIVE} holds [${files}], expected [${expected}]")
endif()

file(REMOVE_RECURSE ${WORK})
file(ARCHIVE_EXTRACT INPUT ${ARCHIVE} DESTINATION ${WORK} PATTERNS modelDescription.xml)
execute_process(COMMAND ${XMLLINT} --noout --schema ${SCHEMA} ${WORK}/modelDescription.xml
                RESULT_VARIABLE invalid)
file(REMOVE_RECURSE ${WORK})
if(invalid)
    message(FATAL_ERROR "${ARCHIVE}: modelDescription.xml does not validate against ${SCHEMA}")
endif()
