# What tessaly-sim and the stand-in host must agree on for one script, made comparable: the
# `show` lines, the `launch:` and `message:` lines, and the stored toolbar layout.

# The lines of `show` (window headers, the indented lines under them and the window's ribbon
# lines), `launch:`, `launch failed:` and `message:`, in order; the softphone's path, which
# differs between the two programs' registries, becomes RECORDER.
function(comparable_lines text out)
    string(REPLACE "\r" "" text "${text}")
    string(REGEX MATCHALL
           "(^|\n)(window [0-9]+:|  |ribbon [0-9]+: |launch: |launch failed: |message: )[^\n]*"
           lines "${text}")
    list(TRANSFORM lines REPLACE "^\n" "")
    list(TRANSFORM lines REPLACE "^(launch( failed)?: )[^\n]*recorder\\.exe " "\\1RECORDER ")
    set(${out} "${lines}" PARENT_SCOPE)
endfunction()

# The add-in's stored layout in a .reg text (regedit's format, either program's line ends):
# every key under HKCU\Software\Wrenfield\Brindle Outlook AddIn but the softphones', each with
# its values. Keys and the values in a key are sorted: their order carries no meaning, and
# the two registries list them differently.
function(stored_layout text out)
    string(REPLACE "\r" "" text "${text}")
    string(REPLACE ";" "\\;" text "${text}")
    string(REGEX REPLACE "\n\n+" "\n\n" text "${text}")
    string(REPLACE "\n\n" ";" blocks "${text}")
    set(keys "")
    foreach(block IN LISTS blocks)
        if(NOT block MATCHES "^\\[HKEY_CURRENT_USER\\\\Software\\\\Wrenfield\\\\Brindle Outlook AddIn(\\\\[^]\n]*)?\\]")
            continue()
        endif()
        if(block MATCHES "^\\[[^]\n]*\\\\Softphone(\\\\[^]\n]*)?\\]")
            continue()
        endif()
        string(REPLACE "\n" ";" lines "${block}")
        list(POP_FRONT lines header)
        list(FILTER lines EXCLUDE REGEX "^$")
        list(SORT lines)
        list(JOIN lines "\n" values)
        list(APPEND keys "${header}\n${values}")
    endforeach()
    list(SORT keys)
    list(JOIN keys "\n\n" layout)
    set(${out} "${layout}\n" PARENT_SCOPE)
endfunction()

# Fails when the layout of `text` is not the one in FILE (written by the first run with
# TESSALY_UPDATE_EXPECTED set).
function(expect_layout text file what)
    stored_layout("${text}" layout)
    if(DEFINED ENV{TESSALY_UPDATE_EXPECTED})
        file(WRITE ${file} "${layout}")
    endif()
    file(READ ${file} expected)
    if(NOT layout STREQUAL expected)
        message(FATAL_ERROR "${what}: stored layout differs from ${file}:\n${layout}\n"
                            "--- expected\n${expected}")
    endif()
endfunction()

# Fails when the comparable lines of `text` are not those of the transcript FILE.
function(expect_same_lines text file what)
    comparable_lines("${text}" ours)
    file(READ ${file} expected)
    comparable_lines("${expected}" theirs)
    if(NOT ours STREQUAL theirs OR NOT ours)
        list(JOIN ours "\n" got)
        message(FATAL_ERROR "${what}: show, launch and message lines differ from ${file}:\n${got}")
    endif()
endfunction()

# Fails unless the outputs of the toolbar's and the ribbon's runs of the same dials both show
# the ribbon and give the same launch: and message: lines, at least MINIMUM of them.
function(expect_same_dials toolbar_out ribbon_out minimum)
    foreach(run toolbar ribbon)
        if(NOT ${run}_out MATCHES "ribbon 1: Business: button label=\"Business\" image=no enabled=yes")
            message(FATAL_ERROR "${run} script: no ribbon in show:\n${${run}_out}")
        endif()
        string(REGEX MATCHALL "(launch|launch failed|message): [^\n]*" ${run} "${${run}_out}")
    endforeach()
    list(LENGTH toolbar count)
    if(NOT toolbar STREQUAL ribbon OR count LESS minimum)
        message(FATAL_ERROR "toolbar:\n${toolbar}\nribbon:\n${ribbon}")
    endif()
    message("the same ${count} launch and message lines from the ribbon as from the toolbar")
endfunction()
