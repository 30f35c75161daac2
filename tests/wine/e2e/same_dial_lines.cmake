# Runs tessaly-standin with the real DLL on tessaly-sim's pair of dial scripts, TOOLBAR and
# RIBBON (tests/unit/tool/scripts), and checks that both give the same launch: and message:
# lines, that the ribbon's script shows its ribbon, and that each run unloads cleanly.
#   WINE_RUN, EXE, TOOLBAR, RIBBON
include(${CMAKE_CURRENT_LIST_DIR}/standin_lib.cmake)

function(dial_lines script result)
    standin_run(out SCRIPT ${script} ARGS --no-launch)
    expect_clean_shutdown("${out}")
    if(out MATCHES "(^|\n)(note|ribbon-error|event-error|leak): [^\n]*")
        message(FATAL_ERROR "${script}: ${CMAKE_MATCH_0}")
    endif()
    if(NOT out MATCHES "\nribbon 1: Business: button label=\"Business\" image=no enabled=yes")
        message(FATAL_ERROR "${script}: no ribbon in show")
    endif()
    string(REGEX MATCHALL "(launch|launch failed|message): [^\n]*" lines "${out}")
    set(${result} "${lines}" PARENT_SCOPE)
endfunction()

dial_lines(${TOOLBAR} toolbar)
dial_lines(${RIBBON} ribbon)
list(LENGTH toolbar count)
# Five softphone starts; the two refusals of "/--" are message boxes, which the host sees
# only on a display (standin_e2e_message_box has one).
if(NOT toolbar STREQUAL ribbon OR count LESS 5)
    message(FATAL_ERROR "toolbar:\n${toolbar}\nribbon:\n${ribbon}")
endif()
message("the same ${count} launch and message lines from the ribbon as from the toolbar")
