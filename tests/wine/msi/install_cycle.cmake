# The per-user package under Wine's msiexec, in a prefix of its own: it installs without
# administrator rights, writes what regsvr32 of the same DLL writes, upgrades a lower
# version in place, refuses a downgrade, and uninstalling leaves the user's hive and profile
# as they were.
#   WINE_RUN, MSI (the package), WIXL (the wixl command without version and output, items
#   separated by "|"), DLL_DIR (where wixl runs), WORK (a scratch folder)
include(${CMAKE_CURRENT_LIST_DIR}/msi_lib.cmake)

string(REPLACE "|" ";" WIXL "${WIXL}")
file(MAKE_DIRECTORY ${WORK})
# Packages of the same DLL at other versions.
foreach(version 1.0.1 9.0.0)
    execute_process(COMMAND ${WIXL} -D ProductVersion=${version} -o ${WORK}/tessaly-${version}.msi
                    WORKING_DIRECTORY ${DLL_DIR} RESULT_VARIABLE status ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "wixl ${version}: ${err}")
    endif()
endforeach()
package(${MSI} current)
package(${WORK}/tessaly-1.0.1.msi older)
package(${WORK}/tessaly-9.0.0.msi newer)

# Whatever an earlier, failed run left behind goes first.
foreach(msi ${current} ${older} ${newer})
    msiexec(ignored /x ${msi} /qn)
endforeach()
snapshot(before)

# Install and uninstall.
msiexec("" /i ${current} /qn)
file(GLOB installed_dll ${prefix}/drive_c/users/*/AppData/Local/Wrenfield/Tessaly/TessalyOutlook.dll)
if(NOT installed_dll)
    message(FATAL_ERROR "no TessalyOutlook.dll under AppData\\Local\\Wrenfield\\Tessaly")
endif()
add_in_registry(by_package)
msiexec("" /x ${current} /qn)
snapshot(after)
expect_same_snapshot("${before}" "${after}" "msiexec /x")

# The same DLL at the same place, registered by regsvr32: the same values.
get_filename_component(install_dir ${installed_dll} DIRECTORY)
file(MAKE_DIRECTORY ${install_dir})
file(COPY ${DLL_DIR}/TessalyOutlook.dll DESTINATION ${install_dir})
windows_path(${installed_dll} dll_windows)
string(REGEX REPLACE "^Z:\\\\.*\\\\drive_c\\\\" "C:\\\\" dll_windows "${dll_windows}")
wine_step("" COMMAND ${REGSVR32} /s ${dll_windows})
add_in_registry(by_regsvr32)
wine_step("" COMMAND ${REGSVR32} /s /u ${dll_windows})
get_filename_component(wrenfield_dir ${install_dir} DIRECTORY)
file(REMOVE_RECURSE ${wrenfield_dir})
if(NOT by_package STREQUAL by_regsvr32)
    file(WRITE ${WORK}/by_package.txt "${by_package}")
    file(WRITE ${WORK}/by_regsvr32.txt "${by_regsvr32}")
    execute_process(COMMAND diff -u ${WORK}/by_regsvr32.txt ${WORK}/by_package.txt
                    OUTPUT_VARIABLE diff)
    message(FATAL_ERROR "the package writes other values than regsvr32:\n${diff}")
endif()
snapshot(after)
expect_same_snapshot("${before}" "${after}" "regsvr32 /u")

# A lower version is upgraded in place: after removing the current one, nothing is left.
msiexec("" /i ${older} /qn)
msiexec("" /i ${current} /qn)
msiexec("" /x ${current} /qn)
snapshot(after)
expect_same_snapshot("${before}" "${after}" "an upgrade from 1.0.1 and msiexec /x")

# A downgrade is refused and leaves the newer version installed.
msiexec("" /i ${newer} /qn)
msiexec(downgrade_status /i ${current} /qn)
set(still_there OFF)
if(EXISTS ${installed_dll})
    set(still_there ON)
endif()
msiexec("" /x ${newer} /qn)
snapshot(after)
if(downgrade_status EQUAL 0)
    message(FATAL_ERROR "installing ${MSI} over 9.0.0 succeeded")
endif()
if(NOT still_there)
    message(FATAL_ERROR "the refused downgrade removed the installed DLL")
endif()
expect_same_snapshot("${before}" "${after}" "a refused downgrade and msiexec /x")
message("by the package and by regsvr32:\n${by_package}")
