# Runs tessaly-sim several times on one registry file, in the OnUpdate mode MODE, and checks
# that each run starts with the layout the previous one saved.
#   SIM, SCRIPTS, REGISTRY, MODE
# run(SCRIPT PATTERN [UNWANTED]): the output must match PATTERN and, if given, not UNWANTED.
function(run script pattern)
    execute_process(COMMAND ${SIM} --no-launch --registry ${REGISTRY} --on-update=${MODE}
                            --script ${SCRIPTS}/${script}
                    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${script}: exit status ${status}:\n${out}")
    endif()
    if(NOT out MATCHES "${pattern}")
        message(FATAL_ERROR "${script}: output does not match \"${pattern}\":\n${out}")
    endif()
    if(ARGN AND out MATCHES "${ARGN}")
        message(FATAL_ERROR "${script}: output matches \"${ARGN}\":\n${out}")
    endif()
endfunction()
set(toolbar "toolbar \"Brindle\": position=")
set(key "[HKEY_CURRENT_USER\\Software\\Wrenfield\\Brindle Outlook AddIn]")

# A control moved to another bar stays there.
file(REMOVE ${REGISTRY})
run(persist_move.script "on bar \"Standard\": [0-9]+: button caption=\"&Home\"")
run(persist_show.script "window 1:[^\n]*\n[^\n]*\n(    [^\n]*\n)*  on bar \"Standard\": [0-9]+: button caption=\"&Home\"")

# A removed toolbar: its controls come back on a bar of its name, hidden and floating as a
# new bar is; that bar is not taken for the toolbar, so the start after shows the toolbar
# where it was, visible.
run(persist_remove.script "${toolbar}top [^\n]*visible=yes")
run(persist_show.script "${toolbar}floating [^\n]*visible=no")
run(persist_show.script "${toolbar}top row=0 visible=yes")

# A reorder inside the toolbar survives a restart.
file(REMOVE ${REGISTRY})
run(persist_reorder.script "")
run(persist_show.script "${toolbar}[^\n]*\n    1: combo [^\n]*\n(    [2-4]: [^\n]*\n)+    5: button caption=\"Dia&l\"")

# A stored position outside 0 to 6 is refused by the bar: the toolbar stays at the default.
# A toolbar stored as hidden is built hidden, and its buttons do not dial.
file(WRITE ${REGISTRY} "Windows Registry Editor Version 5.00\n\n${key}\n\"Position\"=dword:00000007\n")
run(persist_show.script "${toolbar}top row=0 visible=yes")
file(WRITE ${REGISTRY} "Windows Registry Editor Version 5.00\n\n${key}\n\"Visible\"=dword:00000000\n")
run(persist_hidden.script "note: window 1: the Mobile button cannot be clicked[^\n]*\n(.*\n)?  ${toolbar}top row=0 visible=no"
    "(^|\n)(launch|message): ")
