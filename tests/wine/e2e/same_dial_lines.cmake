# Runs tessaly-standin with the real DLL on tessaly-sim's pair of dial scripts, TOOLBAR and
# RIBBON (tests/unit/tool/scripts), and checks that both show the ribbon and give the same
# launch: and message: lines, and that each run unloads cleanly.
#   WINE_RUN, EXE, TOOLBAR, RIBBON
include(${CMAKE_CURRENT_LIST_DIR}/standin_lib.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/same_lines.cmake)

function(run_dials script out)
    standin_run(text SCRIPT ${script} ARGS --no-launch)
    expect_clean_shutdown("${text}")
    if(text MATCHES "(^|\n)(note|ribbon-error|event-error|leak): [^\n]*")
        message(FATAL_ERROR "${script}: ${CMAKE_MATCH_0}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

run_dials(${TOOLBAR} toolbar)
run_dials(${RIBBON} ribbon)
# Five softphone starts; the two refusals of "/--" are message boxes, which the host sees
# only on a display (standin_e2e_message_box has one).
expect_same_dials("${toolbar}" "${ribbon}" 5)
