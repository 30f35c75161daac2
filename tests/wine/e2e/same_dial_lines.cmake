# tessaly-sim's pair of dial scripts (tests/unit/tool/scripts) through tessaly-standin with the
# real DLL. Each script runs as a test of its own, in a prefix of its own, so that the two
# runs of real 1500 ms notices go side by side; a third test compares what they printed.
#   Running one:   WINE_RUN, EXE, SCRIPT, OUT   checks that the run shows the ribbon, reports
#                  nothing wrong and unloads cleanly, and keeps its output in OUT.
#   Comparing:     TOOLBAR_OUT, RIBBON_OUT      both runs' outputs give the same launch: and
#                  message: lines.
include(${CMAKE_CURRENT_LIST_DIR}/same_lines.cmake)

if(DEFINED SCRIPT)
    include(${CMAKE_CURRENT_LIST_DIR}/standin_lib.cmake)
    # A failed run leaves no output behind for the comparison to take.
    file(REMOVE ${OUT})
    standin_run(text SCRIPT ${SCRIPT} ARGS --no-launch)
    expect_clean_shutdown("${text}")
    if(text MATCHES "(^|\n)(note|ribbon-error|event-error|leak): [^\n]*")
        message(FATAL_ERROR "${SCRIPT}: ${CMAKE_MATCH_0}")
    endif()
    file(WRITE ${OUT} "${text}")
else()
    file(READ ${TOOLBAR_OUT} toolbar)
    file(READ ${RIBBON_OUT} ribbon)
    # Five softphone starts; the two refusals of "/--" are message boxes, which the host sees
    # only on a display (standin_e2e_message_box has one).
    expect_same_dials("${toolbar}" "${ribbon}" 5)
endif()
