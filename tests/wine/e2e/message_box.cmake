# Dialing with no softphone installed: the add-in says so in a real message box, which the
# host's watcher reads and dismisses. Runs on a virtual display (xvfb-run) in a Wine prefix
# of its own, because Wine's desktop process belongs to the first program started in a
# prefix and shows windows only on that program's display.
#   WINE_RUN, EXE, HERE (the scripts' folder), DLL (the add-in, Windows path), WINESERVER
include(${CMAKE_CURRENT_LIST_DIR}/standin_lib.cmake)

# Nothing started here may outlive this display; nor may anything an earlier run that failed
# midway left running on its own display.
function(end_prefix)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=$ENV{TESSALY_WINEPREFIX}
                            ${WINESERVER} -k)
endfunction()
end_prefix()

# Without a window manager, Wine waits two seconds for each hidden window to be withdrawn,
# so a dismissed box would hold the click that much longer; unmanaged windows go at once.
wine_step("" COMMAND reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /t REG_SZ /d N /f)
wine_step("" COMMAND ${REGSVR32} /s ${DLL})
set(key "HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn")
wine_step("" STATUS ignored COMMAND reg delete "${key}" /f)
wine_step("" STATUS softphone_key COMMAND reg query "${key}\\Softphone")
# In each OnUpdate mode.
standin_run(idle SCRIPT ${HERE}/message_box.script ARGS --on-update=idle STATUS idle_status)
standin_run(strict SCRIPT ${HERE}/message_box.script ARGS --on-update=strict
            STATUS strict_status)
wine_step("" STATUS unregistered COMMAND ${REGSVR32} /s /u ${DLL})
end_prefix()

if(softphone_key EQUAL 0)
    message(FATAL_ERROR "a softphone key exists in this prefix; the test needs none")
endif()
foreach(mode idle strict)
    if(NOT ${mode}_status EQUAL 0)
        message(FATAL_ERROR "${mode} mode: exit status ${${mode}_status}, expected 0")
    endif()
    expect_transcript("${${mode}}" ${HERE}/message_box.expected)
    expect_clean_shutdown("${${mode}}")
endforeach()
if(NOT unregistered EQUAL 0)
    message(FATAL_ERROR "regsvr32 /u failed with ${unregistered}")
endif()
