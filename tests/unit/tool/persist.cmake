# Runs tessaly-sim several times on one registry file and checks that each run starts with
# the layout the previous one saved.
file(REMOVE ${REGISTRY})
function(run script pattern)
    execute_process(COMMAND ${SIM} --no-launch --registry ${REGISTRY} --script ${SCRIPTS}/${script}
                    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${script}: exit status ${status}:\n${out}")
    endif()
    if(NOT out MATCHES "${pattern}")
        message(FATAL_ERROR "${script}: output does not match \"${pattern}\":\n${out}")
    endif()
endfunction()

run(persist_move.script "on bar \"Standard\": [0-9]+: button caption=\"&Home\"")
run(persist_show.script "window 1:[^\n]*\n[^\n]*\n(    [^\n]*\n)*  on bar \"Standard\": [0-9]+: button caption=\"&Home\"")
run(persist_remove.script "toolbar \"Brindle\": [^\n]*visible=yes")
run(persist_show.script "toolbar \"Brindle\": [^\n]*visible=no")
