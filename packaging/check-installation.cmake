# Installs a build into a fresh prefix and builds and tests the example host
# project against that installation, as a user of the package would:
#   cmake -D BUILD=<build folder> -D EXAMPLE=<examples/find-package> -D WORK=<folder>
#         -D GENERATOR=<generator> [-D TOOLCHAIN=<file>] -P check-installation.cmake
# The example is built with the build's toolchain: a 32-bit installation is
# found only by a 32-bit project.
file(REMOVE_RECURSE ${WORK})
set(toolchain)
if(TOOLCHAIN)
    set(toolchain -D CMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()
function(step)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed)
    if(failed)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "failed: ${command}")
    endif()
endfunction()
step(${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix)
step(${CMAKE_COMMAND} -S ${EXAMPLE} -B ${WORK}/example -G ${GENERATOR} -D CMAKE_PREFIX_PATH=${WORK}/prefix
     -D CMAKE_BUILD_TYPE=Release ${toolchain})
step(${CMAKE_COMMAND} --build ${WORK}/example)
step(${CMAKE_CTEST_COMMAND} --test-dir ${WORK}/example --output-on-failure)
file(REMOVE_RECURSE ${WORK})
