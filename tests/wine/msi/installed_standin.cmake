# The stand-in Outlook host loads the add-in that the package installed, as Outlook finds it
# (nothing registered by hand), and a click dials with the exact command line.
#   WINE_RUN, MSI, WORK, EXE (the stand-in host), SCRIPT, RECORDER (the softphone stand-in,
#   a Windows path), RECORD_FILE (where it writes its command line)
include(${CMAKE_CURRENT_LIST_DIR}/msi_lib.cmake)

set(softphone_key
    "HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone\\{6F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8}")
package(${MSI} current)
msiexec(ignored /x ${current} /qn)
file(REMOVE ${RECORD_FILE})
msiexec("" /i ${current} /qn)
wine_step("" COMMAND reg add "${softphone_key}" /v AppPath /t REG_SZ /d ${RECORDER} /f)
standin_run(text SCRIPT ${SCRIPT} STATUS status)
# Undone before judging, so that a failure leaves the prefix as it was.
wine_step("" STATUS ignored COMMAND reg delete "HKCU\\Software\\Wrenfield" /f)
msiexec(uninstall_status /x ${current} /qn)

if(NOT status EQUAL 0)
    message(FATAL_ERROR "the stand-in host ended with status ${status}")
endif()
if(NOT text MATCHES "(^|\n)addin: [^\n]*loading DLL")
    message(FATAL_ERROR "the stand-in host loaded no add-in")
endif()
expect_clean_shutdown("${text}")
expect_recorded(${RECORD_FILE} "${RECORDER} /ap \"/postpone \"+44 7700 900101\"\"")
if(NOT uninstall_status EQUAL 0)
    message(FATAL_ERROR "msiexec /x: status ${uninstall_status}")
endif()
