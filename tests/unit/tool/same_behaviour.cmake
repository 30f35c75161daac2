# Runs tessaly-sim on the stand-in host's end-to-end scenarios (tests/wine/e2e), in the idle
# and in the strict OnUpdate mode, and holds it to what the stand-in host is held to for the
# same script: the `show` lines (the ribbon's too), the `launch:` and `message:` lines of the
# scenario's transcript, and the toolbar layout stored in the registry.
#   SIM, E2E (the scenarios' folder), WORK (a folder for the registry files)
include(${E2E}/same_lines.cmake)

# The softphone the stand-in host's tests register, here only a file that exists.
set(softphone ${WORK}/softphone/recorder.exe)
file(MAKE_DIRECTORY ${WORK}/softphone)
file(TOUCH ${softphone})

# run(OUT NAME [PROFILE file] [NO_SOFTPHONE] [KEEP_REGISTRY])
# Runs E2E/NAME.script in MODE on the registry WORK/same-MODE.reg, which starts with the
# softphone registered unless NO_SOFTPHONE (or as the last run left it with KEEP_REGISTRY).
function(run out name)
    cmake_parse_arguments(RUN "NO_SOFTPHONE;KEEP_REGISTRY" "PROFILE" "" ${ARGN})
    set(registry ${WORK}/same-${MODE}.reg)
    if(NOT RUN_KEEP_REGISTRY)
        set(hive "Windows Registry Editor Version 5.00\n")
        if(NOT RUN_NO_SOFTPHONE)
            string(APPEND hive "\n[HKEY_CURRENT_USER\\Software\\Wrenfield\\Brindle Outlook AddIn"
                   "\\Softphone\\{6F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8}]\n"
                   "\"AppPath\"=\"${softphone}\"\n")
        endif()
        file(WRITE ${registry} "${hive}")
    endif()
    set(command ${SIM} --no-launch --registry ${registry} --on-update=${MODE})
    if(RUN_PROFILE)
        list(APPEND command --profile ${E2E}/${RUN_PROFILE})
    endif()
    execute_process(COMMAND ${command} --script ${E2E}/${name}.script
                    RESULT_VARIABLE status OUTPUT_VARIABLE text ERROR_VARIABLE text)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${name} (${MODE}): exit status ${status}:\n${text}")
    endif()
    if(text MATCHES "(^|\n)event-error: [^\n]*")
        message(FATAL_ERROR "${name} (${MODE}): an event handler failed: ${CMAKE_MATCH_0}")
    endif()
    file(READ ${registry} hive)
    set(${out} "${text}" PARENT_SCOPE)
    set(${out}_registry "${hive}" PARENT_SCOPE)
endfunction()

foreach(MODE idle strict)
    run(out dial)
    expect_same_lines("${out}" ${E2E}/dial.expected "dial (${MODE})")
    run(out two_windows PROFILE two_windows.json)
    expect_same_lines("${out}" ${E2E}/two_windows.expected "two_windows (${MODE})")
    run(out ribbon PROFILE two_windows.json)
    expect_same_lines("${out}" ${E2E}/ribbon.expected "ribbon (${MODE})")
    run(out bars_not_ready PROFILE bars_not_ready.json)
    expect_same_lines("${out}" ${E2E}/bars_not_ready.expected "bars_not_ready (${MODE})")
    run(out message_box NO_SOFTPHONE)
    expect_same_lines("${out}" ${E2E}/message_box.expected "message_box (${MODE})")
    run(out customized_toolbar PROFILE nine_numbers.json)
    expect_same_lines("${out}" ${E2E}/customized_toolbar.expected "customized_toolbar (${MODE})")
    # One start stores the layout, the next builds from it.
    run(out layout_save)
    expect_same_lines("${out}" ${E2E}/layout_save.expected "layout_save (${MODE})")
    expect_layout("${out_registry}" ${E2E}/layout_save.layout "layout_save (${MODE})")
    run(out layout_restore KEEP_REGISTRY)
    expect_same_lines("${out}" ${E2E}/layout_restore.expected "layout_restore (${MODE})")
    message("${MODE}: the same as the stand-in host's transcripts and layouts")
endforeach()
