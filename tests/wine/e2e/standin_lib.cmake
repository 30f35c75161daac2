# Helpers of the end-to-end scripts: running tessaly-standin (or another Windows program)
# under the emulator and checking what the host printed. Expects WINE_RUN and EXE.

# The emulator keeps the prefix's own Wine processes running between the programs the
# scripts start, and keeps them from holding the output execute_process reads.
set(wine ${WINE_RUN})

function(windows_path unix out)
    string(REPLACE "/" "\\" path "Z:${unix}")
    set(${out} "${path}" PARENT_SCOPE)
endfunction()

# wine_step(OUTPUT_VARIABLE|"" [EXPECT_STATUS N | STATUS var] COMMAND program args...)
# Runs a Windows program; a status other than the expected one ends the test, unless STATUS
# names a variable to receive it.
function(wine_step out)
    cmake_parse_arguments(STEP "" "EXPECT_STATUS;STATUS" "COMMAND" ${ARGN})
    if(NOT DEFINED STEP_EXPECT_STATUS)
        set(STEP_EXPECT_STATUS 0)
    endif()
    execute_process(COMMAND ${wine} ${STEP_COMMAND}
                    OUTPUT_VARIABLE text ERROR_VARIABLE err RESULT_VARIABLE status)
    string(REPLACE "\r" "" text "${text}")
    if(STEP_STATUS)
        set(${STEP_STATUS} ${status} PARENT_SCOPE)
    elseif(NOT status STREQUAL STEP_EXPECT_STATUS)
        message(FATAL_ERROR "${STEP_COMMAND}: status ${status}, expected ${STEP_EXPECT_STATUS}\n"
                            "${text}${err}")
    endif()
    if(out)
        set(${out} "${text}" PARENT_SCOPE)
    endif()
endfunction()

# standin_run(OUT SCRIPT file [PROFILE file] [ARGS ...] [EXPECTED_EXIT n | STATUS var]
#             [CONNECTION_MS var] [RAW var])
# Runs the host on a script, echoes what it printed, checks the exit status (or returns it in
# STATUS) and returns standard output with line ends, paths of the DLL and timings made
# comparable; CONNECTION_MS receives the milliseconds of OnConnection as printed, RAW the
# output with its timings (line ends made comparable only).
function(standin_run out)
    cmake_parse_arguments(RUN "" "SCRIPT;PROFILE;EXPECTED_EXIT;STATUS;CONNECTION_MS;RAW" "ARGS"
                          ${ARGN})
    windows_path(${RUN_SCRIPT} script)
    set(command ${wine} ${EXE} --script ${script})
    if(RUN_PROFILE)
        windows_path(${RUN_PROFILE} profile)
        list(APPEND command --profile ${profile})
    endif()
    if(NOT RUN_EXPECTED_EXIT)
        set(RUN_EXPECTED_EXIT 0)
    endif()
    execute_process(COMMAND ${command} ${RUN_ARGS}
                    OUTPUT_VARIABLE text ERROR_VARIABLE err RESULT_VARIABLE status)
    message("${text}${err}")
    if(RUN_STATUS)
        set(${RUN_STATUS} ${status} PARENT_SCOPE)
    elseif(NOT status STREQUAL RUN_EXPECTED_EXIT)
        message(FATAL_ERROR "exit status ${status}, expected ${RUN_EXPECTED_EXIT}")
    endif()
    string(REPLACE "\r" "" text "${text}")
    if(RUN_RAW)
        set(${RUN_RAW} "${text}" PARENT_SCOPE)
    endif()
    if(RUN_CONNECTION_MS)
        if(NOT text MATCHES "(^|\n)startup: OnConnection took ([0-9]+) ms\n")
            message(FATAL_ERROR "no OnConnection time")
        endif()
        set(${RUN_CONNECTION_MS} ${CMAKE_MATCH_2} PARENT_SCOPE)
    endif()
    string(REGEX REPLACE "took [0-9]+ ms" "took N ms" text "${text}")
    string(REGEX REPLACE "(addin: [^:\n]+: loading) [^\n]*" "\\1 DLL" text "${text}")
    # The softphone stand-in's path depends on the build folder.
    string(REGEX REPLACE "(launch: )[^\n]*recorder\\.exe " "\\1RECORDER " text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The add-in, once let go, left nothing behind: no leak reported, and the run ends with a
# clean check and DllCanUnloadNow S_OK.
function(expect_unloaded text)
    if(text MATCHES "(^|\n)leak: [^\n]*")
        message(FATAL_ERROR "the host reports a leak: ${CMAKE_MATCH_0}")
    endif()
    if(NOT text MATCHES
       "\ncheck: objects=0 connections=0 timers=0\nunload: DllCanUnloadNow returned S_OK\n$")
        message(FATAL_ERROR "the run does not end with the clean check and DllCanUnloadNow S_OK")
    endif()
endfunction()

# The host's shutdown check passed: nothing referenced, nothing advised, no timer of the
# add-in still set, and when an add-in was loaded, it was disconnected and agreed to unload.
function(expect_clean_shutdown text)
    if(text MATCHES "(^|\n)leak: [^\n]*")
        message(FATAL_ERROR "the host reports a leak: ${CMAKE_MATCH_0}")
    endif()
    if(NOT text MATCHES "(^|\n)check: objects=0 connections=0 timers=0\n")
        message(FATAL_ERROR "no clean shutdown check (check: objects=0 connections=0 timers=0)")
    endif()
    if(text MATCHES "(^|\n)addin: ")
        if(NOT text MATCHES "\nshutdown: OnDisconnection took N ms\n")
            message(FATAL_ERROR "the add-in was not disconnected")
        endif()
        if(NOT text MATCHES
           "\ncheck: objects=0 connections=0 timers=0\nunload: DllCanUnloadNow returned S_OK\n$")
            message(FATAL_ERROR "the run does not end with the clean check and DllCanUnloadNow S_OK")
        endif()
    endif()
endfunction()

function(expect_transcript text file)
    if(DEFINED ENV{TESSALY_UPDATE_EXPECTED})
        file(WRITE ${file} "${text}")
    endif()
    file(READ ${file} expected)
    if(NOT text STREQUAL expected)
        message(FATAL_ERROR "transcript differs from ${file}:\n--- expected\n${expected}")
    endif()
endfunction()

# The softphone recorder's lines, one per start, equal `expected` (a list; empty: no start), in
# any order: each start is a process of its own, and two started close together may write
# their lines either way round. The order of the starts is the host's `launch:` lines' to show.
function(expect_recorded file expected)
    set(recorded "")
    if(EXISTS ${file})
        file(STRINGS ${file} recorded)
    endif()
    list(LENGTH recorded starts)
    list(LENGTH expected wanted)
    set(recorded_sorted "${recorded}")
    set(expected_sorted "${expected}")
    list(SORT recorded_sorted)
    list(SORT expected_sorted)
    if(NOT recorded_sorted STREQUAL expected_sorted)
        list(JOIN recorded "\n  " got)
        list(JOIN expected "\n  " want)
        message(FATAL_ERROR "the softphone was started ${starts} time(s), expected ${wanted}:\n"
                            "  ${got}\nexpected:\n  ${want}")
    endif()
endfunction()

# Puts the add-in's own registry key back to "softphone registered, no stored layout".
function(reset_addin_key regfile)
    windows_path(${regfile} reg)
    wine_step("" COMMAND regedit /s ${reg})
endfunction()

# The add-in's key as `reg export` writes it (UTF-16), as text.
function(exported_layout out)
    set(file ${CMAKE_CURRENT_BINARY_DIR}/layout-export.reg)
    windows_path(${file} file_windows)
    file(REMOVE ${file})
    wine_step("" COMMAND reg export "HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn"
              ${file_windows} /y)
    execute_process(COMMAND iconv -f UTF-16LE -t UTF-8 ${file} OUTPUT_VARIABLE text
                    RESULT_VARIABLE status)
    file(REMOVE ${file})
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "cannot read the export of the add-in's key")
    endif()
    # The byte order mark.
    string(REGEX REPLACE "^\xEF\xBB\xBF" "" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The measurements' helpers: the median of a list of figures, and a check that every start
# counts the same calls (a difference means the figures are not the add-in's alone).
function(median values out)
    list(SORT values COMPARE NATURAL)
    list(LENGTH values n)
    math(EXPR middle "${n} / 2")
    list(GET values ${middle} value)
    set(${out} ${value} PARENT_SCOPE)
endfunction()
function(same_each_time name value)
    if(DEFINED first_${name} AND NOT first_${name} STREQUAL value)
        message(FATAL_ERROR "${name}: ${value}, but ${first_${name}} in an earlier start")
    endif()
    set(first_${name} "${value}" PARENT_SCOPE)
endfunction()
