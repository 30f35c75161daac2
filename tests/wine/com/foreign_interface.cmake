# The host's add-in interface belongs to another library: registering and unregistering the
# add-in leave an Interface key that library made byte for byte as it was, and make none
# where there was none. Wine registers type libraries machine-wide and Windows per user, so
# the key is checked under both roots.
#   WINE_RUN, DLL (the DLL's Windows path), WORK (a scratch folder), MODE (foreign or none)
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../e2e/standin_lib.cmake)

set(iid "{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}")
set(roots "HKCU\\Software\\Classes" "HKLM\\Software\\Classes")
set(export ${WORK}/foreign_interface_export.reg)
windows_path(${export} export_windows)

# Each Wine start costs time: the keys of both roots are removed, or removed and made again
# as another product's type library registers them, by one import. A marker names the root,
# so that a copy from one root to the other shows too.
function(import_foreign_keys make)
    set(text "Windows Registry Editor Version 5.00\n")
    foreach(root HKEY_CURRENT_USER HKEY_LOCAL_MACHINE)
        set(key "${root}\\Software\\Classes\\Interface\\${iid}")
        string(APPEND text "\n[-${key}]\n")
        if(make)
            string(APPEND text "\n[${key}]\n@=\"IDTExtensibility2\"\n\"Marker\"=\"${root}\"\n"
                   "\n[${key}\\ProxyStubClsid32]\n@=\"{00020424-0000-0000-C000-000000000046}\"\n"
                   "\n[${key}\\TypeLib]\n@=\"{AC0714F2-3D04-11D1-AE7D-00A0C90F26F4}\"\n"
                   "\"Version\"=\"1.0\"\n")
        endif()
    endforeach()
    set(file ${WORK}/foreign_interface_keys.reg)
    file(WRITE ${file} "${text}")
    windows_path(${file} file_windows)
    wine_step("" COMMAND reg import ${file_windows})
    file(REMOVE ${file})
endfunction()
function(remove_foreign_keys)
    import_foreign_keys(OFF)
endfunction()

# Under each root: the exported bytes (compared), and the listing (shown) when the bytes are
# not `expected`'s.
function(snapshot bytes listing expected)
    set(all_bytes "")
    set(present "")
    foreach(root ${roots})
        set(key "${root}\\Interface\\${iid}")
        file(REMOVE ${export})
        wine_step("" STATUS status COMMAND reg export "${key}" ${export_windows} /y)
        if(status EQUAL 0)
            file(READ ${export} hex HEX)
            list(APPEND present ${root})
        else()
            set(hex absent)
        endif()
        string(APPEND all_bytes "${root}: ${hex}\n")
    endforeach()
    file(REMOVE ${export})
    set(all_text "")
    if(NOT all_bytes STREQUAL expected)
        foreach(root ${roots})
            if(root IN_LIST present)
                wine_step(text COMMAND reg query "${root}\\Interface\\${iid}" /s)
            else()
                set(text "absent\n")
            endif()
            string(APPEND all_text "${root}:\n${text}")
        endforeach()
    endif()
    set(${bytes} "${all_bytes}" PARENT_SCOPE)
    set(${listing} "${all_text}" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "foreign")
    import_foreign_keys(ON)
else()
    remove_foreign_keys()
endif()
snapshot(before before_text "")
wine_step("" STATUS register_status COMMAND ${REGSVR32} /s ${DLL})
wine_step("" STATUS typelib_status
          COMMAND reg query "HKCR\\TypeLib\\{BC59B8F3-285E-489D-B844-DBF403C984A9}")
snapshot(registered registered_text "${before}")
wine_step("" STATUS unregister_status COMMAND ${REGSVR32} /s /u ${DLL})
snapshot(unregistered unregistered_text "${before}")
# Cleaned up before judging, so that a failure leaves no foreign key for later tests.
remove_foreign_keys()

if(NOT register_status EQUAL 0 OR NOT unregister_status EQUAL 0)
    message(FATAL_ERROR "regsvr32: status ${register_status}, /u: ${unregister_status}")
endif()
if(NOT typelib_status EQUAL 0)
    message(FATAL_ERROR "the add-in's type library was not registered")
endif()
if(MODE STREQUAL "foreign" AND before MATCHES ": absent\n")
    message(FATAL_ERROR "the foreign keys were not made:\n${before_text}")
endif()
if(MODE STREQUAL "none" AND NOT before MATCHES "^[^\n]*: absent\n[^\n]*: absent\n$")
    message(FATAL_ERROR "the key exists before the test:\n${before_text}")
endif()
if(NOT registered STREQUAL before)
    message(FATAL_ERROR "registering changed the key.\nBefore:\n${before_text}\n"
                        "After:\n${registered_text}")
endif()
if(NOT unregistered STREQUAL before)
    message(FATAL_ERROR "unregistering changed the key.\nBefore:\n${before_text}\n"
                        "After:\n${unregistered_text}")
endif()
message("${before_text}")
