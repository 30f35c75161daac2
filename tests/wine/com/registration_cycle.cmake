# The real regsvr32 in the emulator's prefix, each time followed by the checker reading the
# registry back: register, unregister, unregister what is no longer there, and the same
# through DllInstall (/n /i:user). One test, since each step needs the one before it.
#   WINE_RUN, REGSVR32, DLL (the DLL's Windows path), CHECK (registration_check.exe)
include(${CMAKE_CURRENT_LIST_DIR}/../e2e/standin_lib.cmake)

# step(NAME program arguments...): the program must succeed; its output is shown when not.
function(step name)
    execute_process(COMMAND ${wine} ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err
                    RESULT_VARIABLE status)
    if(NOT status STREQUAL "0")
        message(FATAL_ERROR "${name}: status ${status}, expected 0\n${out}${err}")
    endif()
    message("${name}: passed")
endfunction()

step(register ${REGSVR32} /s ${DLL})
step(registered ${CHECK} registered ${DLL})
step(unregister ${REGSVR32} /s /u ${DLL})
step(unregistered ${CHECK} unregistered)
step(unregister_again ${REGSVR32} /s /u ${DLL})
step(user_install ${REGSVR32} /s /n /i:user ${DLL})
step(user_installed ${CHECK} registered ${DLL})
step(user_uninstall ${REGSVR32} /s /u /n /i:user ${DLL})
step(user_uninstalled ${CHECK} unregistered)
