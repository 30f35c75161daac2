# The toolbar layout outlives the host: a first start moves Home to the Standard bar and
# closes the window, which stores the layout in the registry; a second start builds the
# toolbar from it, in each OnUpdate mode. The add-in's key is reset before and after, so no
# other test sees the moved button; the checks come after the reset, so that a failure
# leaves nothing behind. The whole stored layout is tessaly-sim's for the same script.
#   WINE_RUN, EXE, HERE (the scripts' folder), RESET_ADDIN_KEY (the .reg file), MODE
include(${CMAKE_CURRENT_LIST_DIR}/standin_lib.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/same_lines.cmake)

set(key "HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn")
reset_addin_key(${RESET_ADDIN_KEY})
wine_step("" EXPECT_STATUS 1 COMMAND reg query "${key}\\Brindle_OutlookAddIn__Home")

set(mode --on-update=${MODE})
standin_run(first SCRIPT ${HERE}/layout_save.script ARGS ${mode} STATUS first_status)
wine_step(home STATUS home_status COMMAND reg query "${key}\\Brindle_OutlookAddIn__Home")
wine_step(mobile STATUS mobile_status
          COMMAND reg query "${key}\\Brindle_OutlookAddIn__Mobile" /v CommandBarName)
exported_layout(stored)
message("${home}${mobile}")
standin_run(second SCRIPT ${HERE}/layout_restore.script ARGS ${mode} STATUS second_status)
reset_addin_key(${RESET_ADDIN_KEY})
wine_step("" EXPECT_STATUS 1 COMMAND reg query "${key}\\Brindle_OutlookAddIn__Home")

if(NOT first_status EQUAL 0 OR NOT second_status EQUAL 0)
    message(FATAL_ERROR "exit status ${first_status} and ${second_status}, expected 0 and 0")
endif()
expect_transcript("${first}" ${HERE}/layout_save.expected)
expect_clean_shutdown("${first}")
expect_layout("${stored}" ${HERE}/layout_save.layout "${MODE} mode")

# What the first start stored for Home, and for a button it left on the add-in's toolbar.
if(NOT home_status EQUAL 0 OR NOT mobile_status EQUAL 0)
    message(FATAL_ERROR "the first start stored no layout for Home or Mobile")
endif()
foreach(value "Exists +REG_DWORD +0x1" "CommandBarName +REG_SZ +Standard"
              "BeforePos +REG_SZ +4" "Visible +REG_SZ +True")
    if(NOT home MATCHES "\n +${value}\n")
        message(FATAL_ERROR "no value matching \"${value}\" for Home")
    endif()
endforeach()
if(NOT mobile MATCHES "\n +CommandBarName +REG_SZ +Brindle\n")
    message(FATAL_ERROR "Mobile is not stored on the add-in's toolbar")
endif()

expect_transcript("${second}" ${HERE}/layout_restore.expected)
expect_clean_shutdown("${second}")
