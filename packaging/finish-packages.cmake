# Run by CPack after each generator, on the package files it made:
# - a .tar.gz or .zip is written again from the staged tree, its entries in
#   name order: CPack's archive generators add them in the order the file
#   system lists them, which differs from one file system to another. The
#   Debian generator sorts them itself.
# - SHA256SUMS beside the packages gets one line per package file, in
#   `sha256sum -c` form, sorted by file name; each generator replaces the
#   lines of its own files and keeps the others'.
function(run)
    execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${CPACK_TOPLEVEL_DIRECTORY} RESULT_VARIABLE failed)
    if(failed)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "failed: ${command}")
    endif()
endfunction()

get_filename_component(top ${CPACK_TEMPORARY_DIRECTORY} NAME)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(package MATCHES "\\.tar\\.gz$")
        file(REMOVE ${package})
        run(sh -c "tar --sort=name --format=gnu --owner=0 --group=0 --numeric-owner --mtime=@$SOURCE_DATE_EPOCH \
                   -cf - \"$1\" | gzip -9 -n > \"$2\"" sh ${top} ${package})
    elseif(package MATCHES "\\.zip$")
        file(REMOVE ${package})
        run(sh -c "find \"$1\" | LC_ALL=C sort | TZ=UTC zip -X -q -9 \"$2\" -@" sh ${top} ${package})
    endif()
endforeach()

set(sums ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS)
set(lines)
if(EXISTS ${sums})
    file(STRINGS ${sums} lines)
endif()
# Each line keyed by its file name while sorting: "name|hash  name".
list(TRANSFORM lines REPLACE "^([0-9a-f]+  (.+))$" "\\2|\\1")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    get_filename_component(name ${package} NAME)
    list(FILTER lines EXCLUDE REGEX "^[^|]+\\|[0-9a-f]+  ${name}$")
    file(SHA256 ${package} hash)
    list(APPEND lines "${name}|${hash}  ${name}")
endforeach()
list(SORT lines COMPARE STRING)
list(TRANSFORM lines REPLACE "^[^|]+\\|" "")
list(TRANSFORM lines APPEND "\n")
string(JOIN "" text ${lines})
file(WRITE ${sums} "${text}")
