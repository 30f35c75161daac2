# Runs tessaly-sim on TOOLBAR and on RIBBON, each with a fresh registry that knows one
# softphone (the program itself stands in for its executable), and checks that both give
# the same launch: and message: lines, and that the ribbon's script shows its ribbon.
function(dial_lines script result)
    file(WRITE ${REGISTRY} "Windows Registry Editor Version 5.00\n\n"
         "[HKEY_CURRENT_USER\\Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone\\G]\n"
         "\"AppPath\"=\"${SIM}\"\n")
    execute_process(COMMAND ${SIM} --no-launch --registry ${REGISTRY} --script ${script}
                    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT status EQUAL 0 OR out MATCHES "(note|ribbon-error|event-error):")
        message(FATAL_ERROR "${script}: exit status ${status}:\n${out}")
    endif()
    if(NOT out MATCHES "ribbon 1: Business: button label=\"Business\" image=no enabled=yes")
        message(FATAL_ERROR "${script}: no ribbon in show:\n${out}")
    endif()
    string(REGEX MATCHALL "(launch|launch failed|message): [^\n]*" lines "${out}")
    set(${result} "${lines}" PARENT_SCOPE)
endfunction()
dial_lines(${TOOLBAR} toolbar)
dial_lines(${RIBBON} ribbon)
list(LENGTH toolbar count)
if(NOT toolbar STREQUAL ribbon OR count LESS 6)
    message(FATAL_ERROR "toolbar:\n${toolbar}\nribbon:\n${ribbon}")
endif()
