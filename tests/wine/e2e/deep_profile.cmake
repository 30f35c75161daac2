# A profile nested 200,000 levels deep (made here, 200 KB) is refused before anything runs:
# exit status 2 and an error line naming the file and line, where it used to exhaust the
# stack.
#   WINE_RUN, EXE, HERE (the scripts' folder), WORK (a scratch folder)
include(${CMAKE_CURRENT_LIST_DIR}/standin_lib.cmake)

set(profile ${WORK}/deep_profile.json)
string(REPEAT "[" 200000 open)
file(WRITE ${profile} "{\"folders\":\n${open}\n")
windows_path(${profile} profile_windows)
windows_path(${HERE}/host_only.script script_windows)
execute_process(COMMAND ${wine} ${EXE} --no-launch --profile ${profile_windows}
                        --script ${script_windows}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(REMOVE ${profile})
if(NOT status STREQUAL "2")
    message(FATAL_ERROR "exit status ${status}, expected 2\n${out}${err}")
endif()
if(NOT err MATCHES "(^|\n)error: [^\n]*deep_profile\\.json:2: arrays and objects nested deeper than 64 levels\r?\n")
    message(FATAL_ERROR "no error line for the nesting:\n${err}")
endif()
if(out MATCHES "(^|\n)addin: ")
    message(FATAL_ERROR "the add-in was loaded:\n${out}")
endif()
