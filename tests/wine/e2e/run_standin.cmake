# Runs tessaly-standin under the emulator with a script, once in each OnUpdate mode (idle,
# then strict), and checks what it printed each time.
#   WINE_RUN, EXE, SCRIPT         the emulator, the program and the script (Unix paths)
#   PROFILE                       the profile (default: the host's bundled one)
#   ARGS                          more options, separated by "|"
#   EXPECTED                      the whole transcript, after hiding paths and timings
#   EXPECTED_EXIT                 default 0
#   RECORD_FILE, RECORD_EXPECTED  the command lines the softphone stand-in must have received,
#                                 one per start, separated by "|"
#   MAX_LAST_INVOKES              the last `calls` line's increase of Invoke calls must be below,
#                                 in the idle mode (Office's): the strict one adds an update,
#                                 and the tracking's lookups, after every changing call
#   NO_REPEATED_LOOKUPS           no object may be asked for the same name twice
#   ALLOW_EVENT_ERRORS            an event handler of the add-in may report a failure
#   RESET_ADDIN_KEY               a .reg file that resets the add-in's key, imported before and
#                                 after the run, for scripts that change the stored layout
#   LAYOUT                        the layout the run must have stored (tessaly-sim's, see
#                                 same_lines.cmake), read with `reg export` before the reset
#   TRACE_PATTERN                 run with --trace; the trace must match this expression
#   TRACE_SELECT, TRACE_EXPECTED  run with --trace; the trace's lines that match TRACE_SELECT
#                                 must be exactly TRACE_EXPECTED ("|" between lines)
#   UNLOADED_AFTER_FAILURE        with EXPECTED_EXIT 1: the add-in, let go by the host after its
#                                 failure, leaves nothing behind and agrees to unload
# Every run that ends normally must end with the host's clean shutdown check.
include(${CMAKE_CURRENT_LIST_DIR}/standin_lib.cmake)

include(${CMAKE_CURRENT_LIST_DIR}/same_lines.cmake)

string(REPLACE "|" ";" ARGS "${ARGS}")

# One run in MODE and its checks.
function(run_and_check MODE)
    if(RECORD_FILE)
        file(REMOVE ${RECORD_FILE})
    endif()
    if(RESET_ADDIN_KEY)
        reset_addin_key(${RESET_ADDIN_KEY})
    endif()
    message("--- OnUpdate mode ${MODE}")
    set(run_args ${ARGS} --on-update=${MODE})
    if(TRACE_PATTERN OR TRACE_SELECT)
        set(trace ${CMAKE_CURRENT_BINARY_DIR}/trace-${MODE}.txt)
        file(REMOVE ${trace})
        windows_path(${trace} trace_windows)
        list(APPEND run_args --trace ${trace_windows})
    endif()
    standin_run(out SCRIPT ${SCRIPT} PROFILE "${PROFILE}" ARGS ${run_args}
                EXPECTED_EXIT "${EXPECTED_EXIT}")
    if(TRACE_PATTERN)
        file(READ ${trace} traced)
        string(REPLACE "\r" "" traced "${traced}")
        if(NOT traced MATCHES "${TRACE_PATTERN}")
            message(FATAL_ERROR "the trace does not match \"${TRACE_PATTERN}\":\n${traced}")
        endif()
    endif()
    if(TRACE_SELECT)
        file(STRINGS ${trace} selected REGEX "${TRACE_SELECT}")
        list(TRANSFORM selected REPLACE "\r$" "")
        string(REPLACE "|" ";" wanted "${TRACE_EXPECTED}")
        if(NOT selected STREQUAL wanted)
            list(JOIN selected "\n  " got)
            list(JOIN wanted "\n  " want)
            message(FATAL_ERROR "the trace's lines matching \"${TRACE_SELECT}\":\n  ${got}\n"
                                "expected:\n  ${want}")
        endif()
    endif()
    if(LAYOUT)
        exported_layout(stored)
    endif()
    if(RESET_ADDIN_KEY)
        reset_addin_key(${RESET_ADDIN_KEY})
    endif()
    if(LAYOUT)
        expect_layout("${stored}" ${LAYOUT} "${MODE} mode")
    endif()

    if(EXPECTED)
        expect_transcript("${out}" ${EXPECTED})
    endif()
    if(NOT EXPECTED_EXIT)
        expect_clean_shutdown("${out}")
    endif()
    if(UNLOADED_AFTER_FAILURE)
        if(NOT out MATCHES "(^|\n)addin: ")
            message(FATAL_ERROR "no add-in was loaded")
        endif()
        expect_unloaded("${out}")
    endif()
    if(NOT ALLOW_EVENT_ERRORS AND out MATCHES "(^|\n)event-error: [^\n]*")
        message(FATAL_ERROR "an event handler of the add-in failed: ${CMAKE_MATCH_0}")
    endif()

    if(RECORD_FILE)
        string(REPLACE "|" ";" RECORD_EXPECTED "${RECORD_EXPECTED}")
        expect_recorded(${RECORD_FILE} "${RECORD_EXPECTED}")
    endif()

    string(REGEX MATCHALL "calls: invoke=[0-9]+ \\(\\+[0-9]+\\)[^\n]*" calls "${out}")
    if(MAX_LAST_INVOKES AND MODE STREQUAL "idle")
        list(POP_BACK calls last)
        string(REGEX REPLACE ".*\\(\\+([0-9]+)\\).*get-ids.*" "\\1" increase "${last}")
        if(NOT increase LESS MAX_LAST_INVOKES)
            message(FATAL_ERROR "${increase} Invoke calls, expected fewer than ${MAX_LAST_INVOKES}")
        endif()
    endif()
    if(NO_REPEATED_LOOKUPS AND out MATCHES "calls: repeated ")
        message(FATAL_ERROR "GetIDsOfNames was asked again for a name of the same object")
    endif()
endfunction()

run_and_check(idle)
run_and_check(strict)
