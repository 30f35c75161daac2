# Runs tessaly-sim on TOOLBAR and on RIBBON, each with a fresh registry that knows one
# softphone (the program itself stands in for its executable), and checks that both show the
# ribbon and give the same launch: and message: lines.
#   SIM, REGISTRY, TOOLBAR, RIBBON
include(${CMAKE_CURRENT_LIST_DIR}/../../wine/e2e/same_lines.cmake)

function(run_dials script out)
    file(WRITE ${REGISTRY} "Windows Registry Editor Version 5.00\n\n"
         "[HKEY_CURRENT_USER\\Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone\\G]\n"
         "\"AppPath\"=\"${SIM}\"\n")
    execute_process(COMMAND ${SIM} --no-launch --registry ${REGISTRY} --script ${script}
                    RESULT_VARIABLE status OUTPUT_VARIABLE text ERROR_VARIABLE text)
    if(NOT status EQUAL 0 OR text MATCHES "(note|ribbon-error|event-error):")
        message(FATAL_ERROR "${script}: exit status ${status}:\n${text}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

run_dials(${TOOLBAR} toolbar)
run_dials(${RIBBON} ribbon)
# Five softphone starts and the two messages of the refused "/--".
expect_same_dials("${toolbar}" "${ribbon}" 6)
