# Runs tessaly-sim on SCRIPT and checks that its `show` lines equal those of EXPECTED, the
# transcript the Windows stand-in host is held to for the same script, so that the two
# programs cannot drift apart.
execute_process(COMMAND ${SIM} --no-launch --registry ${REGISTRY} --script ${SCRIPT}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "exit status ${status}:\n${out}")
endif()
function(show_lines text result)
    string(REGEX MATCHALL "(^|\n)(window [0-9]+:|  )[^\n]*" lines "${text}")
    list(TRANSFORM lines REPLACE "^\n" "")
    set(${result} "${lines}" PARENT_SCOPE)
endfunction()
file(READ ${EXPECTED} expected)
show_lines("${out}" ours)
show_lines("${expected}" theirs)
if(NOT ours STREQUAL theirs OR NOT ours)
    message(FATAL_ERROR "show output differs from ${EXPECTED}:\n${out}")
endif()
