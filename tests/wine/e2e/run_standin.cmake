# Runs tessaly-standin under the emulator with a script and checks what it printed.
#   WINE_RUN, EXE, SCRIPT         the emulator, the program and the script (Unix paths)
#   ARGS                          more options, separated by "|"
#   EXPECTED                      the whole transcript, after hiding paths and timings
#   SIM_EXPECTED                  tessaly-sim's transcript: the `show` lines must equal its own
#   EXPECTED_EXIT                 default 0
#   RECORD_FILE, RECORD_EXPECTED  the command line the softphone stand-in must have received
#   MAX_LAST_INVOKES              the last `calls` line's increase of Invoke calls must be below
#   NO_REPEATED_LOOKUPS           no object may be asked for the same name twice
function(windows_path unix out)
    string(REPLACE "/" "\\" path "Z:${unix}")
    set(${out} "${path}" PARENT_SCOPE)
endfunction()

windows_path(${SCRIPT} script)
string(REPLACE "|" ";" ARGS "${ARGS}")
if(RECORD_FILE)
    file(REMOVE ${RECORD_FILE})
endif()
execute_process(COMMAND ${WINE_RUN} ${EXE} --script ${script} ${ARGS}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
message("${out}${err}")
if(NOT DEFINED EXPECTED_EXIT)
    set(EXPECTED_EXIT 0)
endif()
if(NOT status STREQUAL EXPECTED_EXIT)
    message(FATAL_ERROR "exit status ${status}, expected ${EXPECTED_EXIT}")
endif()

string(REPLACE "\r" "" out "${out}")
string(REGEX REPLACE "took [0-9]+ ms" "took N ms" out "${out}")
string(REGEX REPLACE "(addin: [^:\n]+: loading) [^\n]*" "\\1 DLL" out "${out}")
if(EXPECTED)
    file(READ ${EXPECTED} expected)
    if(NOT out STREQUAL expected)
        message(FATAL_ERROR "transcript differs from ${EXPECTED}:\n--- expected\n${expected}")
    endif()
endif()

# The lines of `show`: window headers and the indented lines under them.
function(show_lines text out)
    string(REGEX MATCHALL "(^|\n)(window [0-9]+:|  )[^\n]*" lines "${text}")
    list(TRANSFORM lines REPLACE "^\n" "")
    set(${out} "${lines}" PARENT_SCOPE)
endfunction()
if(SIM_EXPECTED)
    file(READ ${SIM_EXPECTED} sim)
    show_lines("${out}" ours)
    show_lines("${sim}" theirs)
    if(NOT ours STREQUAL theirs OR NOT ours)
        message(FATAL_ERROR "show output differs from tessaly-sim's (${SIM_EXPECTED})")
    endif()
endif()

if(RECORD_FILE)
    if(NOT EXISTS ${RECORD_FILE})
        message(FATAL_ERROR "the softphone was not started (no ${RECORD_FILE})")
    endif()
    file(READ ${RECORD_FILE} recorded)
    if(NOT recorded STREQUAL RECORD_EXPECTED)
        message(FATAL_ERROR "softphone command line:\n  ${recorded}\nexpected:\n  ${RECORD_EXPECTED}")
    endif()
endif()

string(REGEX MATCHALL "calls: invoke=[0-9]+ \\(\\+[0-9]+\\)[^\n]*" calls "${out}")
if(MAX_LAST_INVOKES)
    list(POP_BACK calls last)
    string(REGEX REPLACE ".*\\(\\+([0-9]+)\\).*get-ids.*" "\\1" increase "${last}")
    if(NOT increase LESS MAX_LAST_INVOKES)
        message(FATAL_ERROR "${increase} Invoke calls, expected fewer than ${MAX_LAST_INVOKES}")
    endif()
endif()
if(NO_REPEATED_LOOKUPS AND out MATCHES "calls: repeated ")
    message(FATAL_ERROR "GetIDsOfNames was asked again for a name of the same object")
endif()
