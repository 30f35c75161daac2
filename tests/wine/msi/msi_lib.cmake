# Helpers of the installer tests: installing and removing a package with Wine's msiexec and
# snapshots of the user's hive and profile. Expects WINE_RUN, and the prefix in the
# environment (TESSALY_WINEPREFIX).
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../e2e/standin_lib.cmake)

set(prefix $ENV{TESSALY_WINEPREFIX})
set(add_in_keys
    "Software\\Classes\\BrindleAddin.Tessaly"
    "Software\\Classes\\CLSID\\{77A93BD5-642A-486A-95E4-93077930DBAE}"
    "Software\\Classes\\TypeLib\\{BC59B8F3-285E-489D-B844-DBF403C984A9}"
    "Software\\Classes\\Interface\\{C790B70A-AF7A-4EFE-96F2-1B4238FBD19B}"
    "Software\\Classes\\Interface\\{16193E2F-2A3D-4B74-82E4-E23294F52825}"
    "Software\\Microsoft\\Office\\Outlook\\Addins\\BrindleAddin.Tessaly")

# msi_step(STATUS var | "" msiexec arguments...): a status other than 0 ends the test unless
# a variable receives it.
function(msiexec status_var)
    if(status_var)
        wine_step("" STATUS status COMMAND msiexec ${ARGN})
        set(${status_var} ${status} PARENT_SCOPE)
    else()
        wine_step("" COMMAND msiexec ${ARGN})
    endif()
endfunction()

# The package at `msi` as a Windows path.
function(package msi out)
    windows_path(${msi} path)
    set(${out} "${path}" PARENT_SCOPE)
endfunction()

# The whole of HKEY_CURRENT_USER as reg exports it, and every file and folder of the profiles
# (their names, and the files' sizes), for comparing before and after.
function(snapshot out)
    set(file ${WORK}/hkcu.reg)
    windows_path(${file} file_windows)
    file(REMOVE ${file})
    wine_step("" COMMAND reg export HKCU ${file_windows} /y)
    # reg writes UTF-16.
    execute_process(COMMAND iconv -f UTF-16LE -t UTF-8 ${file} OUTPUT_VARIABLE hive
                    RESULT_VARIABLE status)
    file(REMOVE ${file})
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "cannot read the export of HKCU")
    endif()
    string(REPLACE "\r" "" hive "${hive}")
    # Wine's own bookkeeping of window positions and start-up times changes with every start.
    string(REGEX REPLACE "\n\\[[^]\n]*\\\\Wine\\\\(Explorer|WineDbg)[^]\n]*\\][^[]*" "\n" hive
           "${hive}")
    file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE ${prefix}/drive_c/users
         ${prefix}/drive_c/users/*)
    list(SORT entries)
    set(tree "")
    foreach(entry ${entries})
        # The profile's folders that Wine links to the Unix home are not the profile's.
        if(IS_SYMLINK ${prefix}/drive_c/users/${entry})
            string(APPEND tree "${entry} ->\n")
        elseif(IS_DIRECTORY ${prefix}/drive_c/users/${entry})
            string(APPEND tree "${entry}/\n")
        else()
            file(SIZE ${prefix}/drive_c/users/${entry} size)
            string(APPEND tree "${entry} ${size}\n")
        endif()
    endforeach()
    set(${out} "${hive}\n--- files\n${tree}" PARENT_SCOPE)
endfunction()

# Fails with the lines that differ between two snapshots.
function(expect_same_snapshot before after what)
    if(before STREQUAL after)
        return()
    endif()
    file(WRITE ${WORK}/before.txt "${before}")
    file(WRITE ${WORK}/after.txt "${after}")
    execute_process(COMMAND diff -u ${WORK}/before.txt ${WORK}/after.txt OUTPUT_VARIABLE diff)
    message(FATAL_ERROR "${what} left a trace:\n${diff}")
endfunction()

# The add-in's keys under the user's and the machine's classes, the root left out: Windows
# registers the type library for the user, Wine for the machine.
function(add_in_registry out)
    set(text "")
    foreach(key ${add_in_keys})
        set(roots HKCU)
        if(key MATCHES "^Software\\\\Classes\\\\")
            list(APPEND roots HKLM)
        endif()
        foreach(root ${roots})
            wine_step(listing STATUS status COMMAND reg query "${root}\\${key}" /s)
            if(status EQUAL 0)
                string(REGEX REPLACE "HKEY_(CURRENT_USER|LOCAL_MACHINE)\\\\" "" listing
                       "${listing}")
                string(APPEND text "${listing}")
            endif()
        endforeach()
    endforeach()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()
