# cmake -DSOURCE=<project> -DTREE=<folder> -DPACK_CACHE=<folder> -P reproduce_build.cmake
#
# The shipped installer built once more for reproducible_build to compare with
# the shipped one: from a copy of the sources (the work tree's tracked files, as
# the shipped build saw them) in a fresh tree at another path, later, and with
# SOURCE_DATE_EPOCH years from the shipped build's, so that anything stamped
# from the folders, the clock or that variable differs between the two.
# The packed streams come from the shared cache: it is keyed by the packed
# file's bytes, so a file that differs is packed anew.
file(REMOVE_RECURSE "${TREE}")
file(MAKE_DIRECTORY "${TREE}/src")
execute_process(COMMAND git -C "${SOURCE}" stash create
                RESULT_VARIABLE rc OUTPUT_VARIABLE snapshot OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(rc EQUAL 0)
  if(snapshot STREQUAL "")
    set(snapshot HEAD)
  endif()
  execute_process(COMMAND git -C "${SOURCE}" archive "${snapshot}"
                  COMMAND tar -x -C "${TREE}/src" RESULTS_VARIABLE rcs)
else()
  # Not a git checkout: the project's files, less what the builds leave in it.
  execute_process(COMMAND tar -c -C "${SOURCE}" --exclude=./build --exclude=./dist --exclude=./.git .
                  COMMAND tar -x -C "${TREE}/src" RESULTS_VARIABLE rcs)
endif()
if(NOT rcs MATCHES "^0;0$")
  message(FATAL_ERROR "Could not copy the sources of ${SOURCE} to ${TREE}/src")
endif()

set(epoch 1000000000)
if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "${epoch}")
  set(epoch 1100000000)
endif()
set(env ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS --unset=MFLAGS --unset=MAKELEVEL --unset=MURKLE_SIGN_PKCS12
        --unset=MURKLE_SIGN_PASSWORD SOURCE_DATE_EPOCH=${epoch})
execute_process(COMMAND ${env} ${CMAKE_COMMAND} -S "${TREE}/src" -B "${TREE}/build" --preset product
                        -DMURKLE_DIST_DIR=${TREE}/dist -DMURKLE_PACK_CACHE=${PACK_CACHE}
                OUTPUT_FILE "${TREE}/build.log" ERROR_FILE "${TREE}/build.log" RESULT_VARIABLE rc)
if(rc EQUAL 0)
  # (Its make cannot share the calling build's job slots: it takes two of its own.)
  execute_process(COMMAND ${env} ${CMAKE_COMMAND} --build "${TREE}/build" --target MurkleSetup --parallel 2
                  OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE rc)
  file(APPEND "${TREE}/build.log" "${log}")
endif()
if(NOT rc EQUAL 0)
  file(READ "${TREE}/build.log" log)
  message(FATAL_ERROR "The second build of the shipped installer failed:\n${log}")
endif()
