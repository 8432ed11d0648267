# Run by CPack once the files to package are staged, before any archive is
# written: every staged file and folder gets the same time stamp and plain
# permissions, so that the same commit gives the same archive bytes whenever
# and wherever it is packaged. The time is SOURCE_DATE_EPOCH when set, else
# the time of the commit packaged, else 2000-01-01 (the FMUs' time stamp);
# it is also left in SOURCE_DATE_EPOCH for the Debian generator.
if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
    execute_process(COMMAND git -C ${CPACK_REBOUNDER_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
    if(failed OR NOT epoch MATCHES "^[0-9]+$")
        set(epoch 946684800)
    endif()
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()

execute_process(COMMAND chmod -R u=rwX,go=rX ${CPACK_TEMPORARY_DIRECTORY} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "cannot set the permissions of the staged files")
endif()
execute_process(COMMAND find ${CPACK_TEMPORARY_DIRECTORY} -exec touch -h -d @$ENV{SOURCE_DATE_EPOCH} {} +
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "cannot set the time stamps of the staged files")
endif()
