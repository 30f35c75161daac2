# Runs tessaly-sim with --trace on the persist_show script (the toolbar is built, shown and
# saved) in MODE and checks the trace: the add-in adds its toolbar, and OnUpdate comes after
# that, once for the whole build in the idle mode, after every changing call in the strict
# one, each time followed by the tracking's lookups.
set(trace ${WORK}/trace-${MODE}.txt)
file(REMOVE ${REGISTRY} ${trace})
execute_process(COMMAND ${SIM} --no-launch --registry ${REGISTRY} --on-update=${MODE}
                        --trace ${trace} --script ${SCRIPT}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "exit status ${status}:\n${out}")
endif()
file(READ ${trace} text)
if(NOT text MATCHES "(^|\n)call Explorer.CommandBars -> CommandBars#1\n")
    message(FATAL_ERROR "the add-in never got the window's command bars:\n${text}")
endif()
set(add "call CommandBars.Add\\(\"Brindle\", , , True\\) -> CommandBar#[0-9]+\n")
set(lookup "call CommandBars.FindControl\\(1, , \"Brindle_OutlookAddIn__ShowContacts\", \\) -> Nothing\n")
if(NOT text MATCHES "${add}(.*\n)?event CommandBars.OnUpdate\n${lookup}")
    message(FATAL_ERROR "no OnUpdate with the tracking's lookups after the toolbar was added:\n${text}")
endif()
string(REGEX MATCHALL "\nevent CommandBars.OnUpdate\n" updates "${text}")
list(LENGTH updates count)
if(MODE STREQUAL "idle" AND NOT count EQUAL 1)
    message(FATAL_ERROR "${count} OnUpdate events, expected one for the whole build:\n${text}")
endif()
if(MODE STREQUAL "strict" AND count LESS 10)
    message(FATAL_ERROR "${count} OnUpdate events, expected one after every changing call")
endif()
# Only the trace goes to the file; the transcript is the same as without it.
if(text MATCHES "(^|\n)(window|note|  )")
    message(FATAL_ERROR "transcript lines in the trace:\n${text}")
endif()
if(NOT out MATCHES "window 1: ")
    message(FATAL_ERROR "no show output:\n${out}")
endif()
message("${count} OnUpdate events in the ${MODE} mode")
