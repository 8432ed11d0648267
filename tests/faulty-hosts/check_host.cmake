cmake_minimum_required(VERSION 3.25)
# Runs rebounder-hostcheck on one host and checks the verdicts it gives.
# Variables: HOSTCHECK, TEMPLATE (the host's command template), OPTIONS (more
# options, as on a command line), FMUS (the default FMUs), REFERENCES,
# MASTER (the plain co-simulation test host), WORK (a directory for this
# test), EXPECT (probe=verdict pairs separated by commas; "3=pass|note"
# allows either), EVIDENCE (probe=regular expression its evidence must
# match, several separated by "@@").
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# Until the build makes the strict-host FMUs beside the default ones,
# the default ones stand in: every host tested here looks the optional
# functions up optionally.
set(strict ${FMUS}/strict-host)
if(NOT EXISTS ${strict}/corvane.fmu)
    set(strict ${FMUS})
endif()
# A source tree without the reference results gets stand-ins from the plain
# master, which sums its communication points as the references do.
set(references ${REFERENCES})
if(NOT EXISTS ${references}/corvane-h0.01.csv)
    set(references ${WORK}/reference-results)
    file(MAKE_DIRECTORY ${references}/unpacked)
    foreach(step 0.01 0.05 0.1)
        execute_process(COMMAND ${MASTER} ${strict}/corvane.fmu ${references}/corvane-h${step}.csv 3 ${step}
                                ${references} RESULT_VARIABLE result OUTPUT_QUIET)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "the plain master could not make the stand-in reference at step ${step}")
        endif()
    endforeach()
endif()

separate_arguments(options UNIX_COMMAND "${OPTIONS}")
execute_process(
    COMMAND ${HOSTCHECK} --host ${TEMPLATE} --fmus ${FMUS} --strict-fmus ${strict} --references ${references}
            --json ${WORK}/verdicts.json --report ${WORK}/report.md ${options}
    RESULT_VARIABLE status)
if(NOT EXISTS ${WORK}/verdicts.json)
    message(FATAL_ERROR "rebounder-hostcheck wrote no verdicts (exit status ${status})")
endif()
file(READ ${WORK}/verdicts.json json)
file(READ ${WORK}/report.md report)

set(problems "")
string(JSON failed GET "${json}" failed)
if(failed AND NOT status EQUAL 1 OR NOT failed AND NOT status EQUAL 0)
    list(APPEND problems "exit status ${status} does not match failed=${failed}")
endif()

# Verdict and evidence of each probe by number.
string(JSON count LENGTH "${json}" probes)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    string(JSON number GET "${json}" probes ${i} number)
    string(JSON verdict_${number} GET "${json}" probes ${i} verdict)
    string(JSON evidence_${number} GET "${json}" probes ${i} evidence)
    if(verdict_${number} STREQUAL "fail")
        # Every fail names what the host should do instead, in the report too.
        string(JSON fix GET "${json}" probes ${i} fix)
        string(FIND "${report}" "**What the host should do instead:** ${fix}" at)
        if(fix STREQUAL "" OR at EQUAL -1)
            list(APPEND problems "probe ${number} fails without saying what the host should do instead")
        endif()
    endif()
endforeach()

string(REPLACE "," ";" expectations "${EXPECT}")
foreach(expectation IN LISTS expectations)
    string(REGEX MATCH "^([0-9]+)=(.+)$" matched "${expectation}")
    set(number ${CMAKE_MATCH_1})
    string(REPLACE "|" ";" allowed "${CMAKE_MATCH_2}")
    if(NOT DEFINED verdict_${number})
        list(APPEND problems "probe ${number} was not run")
    elseif(NOT verdict_${number} IN_LIST allowed)
        list(APPEND problems "probe ${number}: ${verdict_${number}} (${evidence_${number}}), expected ${CMAKE_MATCH_2}")
    endif()
endforeach()
# Every verdict given is one the test states.
string(REGEX MATCHALL "(^|,)[0-9]+=" stated "${EXPECT}")
foreach(i RANGE ${last})
    string(JSON number GET "${json}" probes ${i} number)
    if(NOT "${stated}" MATCHES "(^|,|;)${number}=")
        list(APPEND problems "probe ${number}: ${verdict_${number}} (${evidence_${number}}), which the test does not state")
    endif()
endforeach()
string(REPLACE "@@" ";" patterns "${EVIDENCE}")
foreach(entry IN LISTS patterns)
    string(REGEX MATCH "^([0-9]+)=(.+)$" matched "${entry}")
    set(number ${CMAKE_MATCH_1})
    set(pattern "${CMAKE_MATCH_2}")
    if(NOT "${evidence_${number}}" MATCHES "${pattern}")
        list(APPEND problems "probe ${number}: evidence '${evidence_${number}}' does not match '${pattern}'")
    endif()
endforeach()
if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "The host check judged the host wrongly:\n  ${text}")
endif()
