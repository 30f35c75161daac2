# tools/wine-run.sh makes a prefix anew when another Wine made it (as one made before Wine's
# 32-bit half was installed, which no longer starts), and keeps a prefix its own Wine made.
#   WINE_RUN, WORK
set(prefix ${WORK}/wineprefix-stale)
file(REMOVE_RECURSE ${prefix})
file(MAKE_DIRECTORY ${prefix})
file(WRITE ${prefix}/.tessaly-ready "wine-0.0 win64\n")
file(WRITE ${prefix}/left-by-the-old-wine "")

# No keeper: nothing may still run in the prefix when it is removed at the end.
function(run_in_prefix status_var err_var)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TESSALY_WINEPREFIX=${prefix}
                            TESSALY_WINE_KEEP_WARM=0 ${WINE_RUN} cmd /c exit 3
                    RESULT_VARIABLE status ERROR_VARIABLE err OUTPUT_QUIET)
    set(${status_var} "${status}" PARENT_SCOPE)
    set(${err_var} "${err}" PARENT_SCOPE)
endfunction()

run_in_prefix(status err)
if(NOT status EQUAL 3)
    message(FATAL_ERROR "a program in the remade prefix ended with ${status}, not 3:\n${err}")
endif()
if(NOT err MATCHES "making it anew" OR EXISTS ${prefix}/left-by-the-old-wine)
    message(FATAL_ERROR "the prefix of another Wine was kept:\n${err}")
endif()
file(READ ${prefix}/.tessaly-ready marker)
if(marker MATCHES "wine-0.0")
    message(FATAL_ERROR "the remade prefix still names the old Wine: ${marker}")
endif()

run_in_prefix(status err)
if(NOT status EQUAL 3 OR err MATCHES "making it anew")
    message(FATAL_ERROR "the prefix of this Wine was made again (status ${status}):\n${err}")
endif()
file(REMOVE_RECURSE ${prefix})
