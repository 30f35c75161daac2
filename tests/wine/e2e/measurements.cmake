# The host's figures for the add-in's toolbar (the host shows no ribbon, --no-ribbon; the
# ribbon's figures are ribbon_measurements.cmake's), each beside the least it could be:
# loading the DLL and OnConnection with 1 and with WINDOWS windows, against the null add-in's (a DLL that does
# nothing, loaded the same way); the Invoke calls of the connection against the floor its
# algorithms cannot go below; and the Invoke and GetIDsOfNames calls of one selection refresh
# on a contact with nine numbers and of one dial. Times are medians of RUNS host starts,
# reported, never asserted; a selection refresh must cost fewer than MAX_REFRESH_INVOKES
# Invoke calls.
#   WINE_RUN, EXE, HERE, WORK (a folder for the generated profile), RECORD_FILE, RUNS,
#   MAX_REFRESH_INVOKES, WINDOWS (how many windows the large profile opens), RECORDER (the
#   softphone's Windows path), REGSVR32, NULL_DLL (the null add-in's Windows path)
#   SETUP, DLL     SETUP ON: register the add-in at DLL (its Windows path) and the softphone
#                  first and remove both at the end, for a prefix where nothing else does
#                  (the benchmark's)
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/standin_lib.cmake)

set(addins_key "HKCU\\Software\\Microsoft\\Office\\Outlook\\Addins")
set(softphone_key
    "HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone\\{6F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8}")
if(SETUP)
    wine_step("" COMMAND ${REGSVR32} /s ${DLL})
    wine_step("" COMMAND reg add ${softphone_key} /v AppPath /t REG_SZ /d ${RECORDER} /f)
endif()

# The large profile: the nine-number profile with WINDOWS windows, on the contacts in turn.
file(READ ${HERE}/nine_numbers.json profile)
set(contacts "Alma Reyes" "Bruno Castellani" "Chen Wei" "Dana Ortiz" "Nadia Novak")
set(explorers "")
set(many_contacts "")
math(EXPR last "${WINDOWS} - 1")
foreach(i RANGE ${last})
    math(EXPR pick "${i} % 5")
    list(GET contacts ${pick} contact)
    list(APPEND many_contacts "${contact}")
    list(APPEND explorers "{\"folder\": \"Contacts\", \"selection\": [\"${contact}\"]}")
endforeach()
list(JOIN explorers ", " explorers)
string(JSON profile SET "${profile}" explorers "[${explorers}]")
set(many ${WORK}/measure_${WINDOWS}_windows.json)
file(WRITE ${many} "${profile}\n")

# The floor: the Invoke calls a connection makes when each step of the algorithms calls the
# host once for what it needs and nothing is asked twice, counted along their code paths
# (addin/tessaly.cpp, explorer/toolbar_builder.cpp, explorer/contact_numbers.cpp) for a
# profile with no stored layout and the bundled string table.
#   Per connection: Application.Explorers, Explorers.Count                              2
#   Per window, until the contact:
#     Explorers.Item(i), Explorer.CommandBars, CommandBars.AdaptiveMenus = True          3
#     the toolbar: CommandBars.Item (failing in a new window), CommandBars.Add            2
#     its placement with nothing stored: AdaptiveMenu, Visible, Position                  3
#     FindOrAddControl, for each of the five controls: the toolbar's Name, CommandBars.Item
#       of that name, the bar's Controls and their Count, CommandBar.FindControl,
#       CommandBarControls.Add, the control's Parent, that bar's Name, the control's Index,
#       Tag                                                                          5 x 10
#       (ShowContacts has neither caption nor pictures in the string table: no call)
#     the four buttons: BeginGroup, Caption, Style, TooltipText; Dial, whose face and
#       mask exist, also Picture and Mask                                          4 x 4 + 2
#     the combo box: TooltipText, Style, DropDownLines, Width                             4
#     Dial's Enabled from the combo box's Text (read, set); Protection (read, set)         4
#                                                                                  sum  84
#   Per window, the contact's numbers (RefreshContactNumbers): Explorer.Selection, its
#     Count and Item(1) (the type name comes from the item's type information, not from
#     Invoke), the combo box's Clear, the nine number properties, the Enabled of the three
#     number buttons, one AddItem per list entry (N), with entries ListCount, ListIndex,
#     List(1) and Text, without ListCount and Text, then Text read twice and Dial's Enabled
#                                                     3 + 1 + 9 + 3 + N + (4 or 2) + 3
# N is what the list gets: within each group the contact's distinct non-blank numbers.
function(list_entries contact out)
    set(groups "Business|Business2" "Mobile" "Home|Home2" "Callback|Car|Assistant|CompanyMain")
    string(JSON count LENGTH "${profile}" folders 0 items)
    math(EXPR last "${count} - 1")
    set(entries 0)
    foreach(i RANGE ${last})
        string(JSON name GET "${profile}" folders 0 items ${i} name)
        if(NOT name STREQUAL contact)
            continue()
        endif()
        foreach(group ${groups})
            string(REPLACE "|" ";" fields "${group}")
            set(seen "")
            foreach(field ${fields})
                string(JSON number ERROR_VARIABLE missing
                       GET "${profile}" folders 0 items ${i} ${field}TelephoneNumber)
                string(STRIP "${number}" number)
                if(NOT missing AND NOT number STREQUAL "" AND NOT number IN_LIST seen)
                    list(APPEND seen "${number}")
                    math(EXPR entries "${entries} + 1")
                endif()
            endforeach()
        endforeach()
    endforeach()
    set(${out} ${entries} PARENT_SCOPE)
endfunction()
function(invoke_floor window_contacts out)
    set(floor 2)
    foreach(contact ${window_contacts})
        list_entries("${contact}" n)
        if(n GREATER 0)
            math(EXPR floor "${floor} + 84 + 3 + 1 + 9 + 3 + ${n} + 4 + 3")
        else()
            math(EXPR floor "${floor} + 84 + 3 + 1 + 9 + 3 + 2 + 3")
        endif()
    endforeach()
    set(${out} ${floor} PARENT_SCOPE)
endfunction()

# "calls: invoke=N (+I) get-ids-of-names=N (+G) repeated-lookups=R" -> "I;G;R"
function(call_figures line out)
    if(NOT line MATCHES "\\(\\+([0-9]+)\\) get-ids-of-names=[0-9]+ \\(\\+([0-9]+)\\) repeated-lookups=([0-9]+)")
        message(FATAL_ERROR "not a calls line: ${line}")
    endif()
    set(${out} "${CMAKE_MATCH_1};${CMAKE_MATCH_2};${CMAKE_MATCH_3}" PARENT_SCOPE)
endfunction()
function(calls_lines text out)
    string(REGEX MATCHALL "calls: invoke=[^\n]*" lines "${text}")
    set(${out} "${lines}" PARENT_SCOPE)
endfunction()
# "stats: ProgID: load=L us on-connection=C us" (--stats) -> "L;C"
function(startup_figures text progid out)
    if(NOT text MATCHES "(^|\n)stats: ${progid}: load=([0-9]+) us on-connection=([0-9]+) us\n")
        message(FATAL_ERROR "no startup figures of ${progid}")
    endif()
    set(${out} "${CMAKE_MATCH_2};${CMAKE_MATCH_3}" PARENT_SCOPE)
endfunction()

# RUNS starts of the host on one window and on WINDOWS windows, with the add-in that is
# registered: <prefix>_one_<run> and <prefix>_many_<run> hold what each printed, and
# <prefix>_..._status_<run> its exit status.
macro(measure prefix)
    foreach(run RANGE 1 ${RUNS})
        standin_run(${prefix}_one_${run} SCRIPT ${HERE}/measure_one_window.script
                    PROFILE ${HERE}/nine_numbers.json ARGS --stats --no-ribbon
                    STATUS ${prefix}_one_status_${run})
        standin_run(${prefix}_many_${run} SCRIPT ${HERE}/measure_many_windows.script
                    PROFILE ${many} ARGS --stats --no-ribbon STATUS ${prefix}_many_status_${run})
    endforeach()
endmacro()
# What a start printed, once its exit status was 0.
function(run_output prefix size run out)
    if(NOT ${prefix}_${size}_status_${run} STREQUAL "0")
        message(FATAL_ERROR "exit status ${${prefix}_${size}_status_${run}}, expected 0")
    endif()
    set(${out} "${${prefix}_${size}_${run}}" PARENT_SCOPE)
endfunction()

file(REMOVE ${RECORD_FILE})
measure(ours)

# The null add-in alone: registered, and ours set not to load, as Outlook's LoadBehavior 0.
wine_step("" STATUS null_registered COMMAND ${REGSVR32} /s ${NULL_DLL})
wine_step("" STATUS ours_off COMMAND reg add "${addins_key}\\BrindleAddin.Tessaly"
          /v LoadBehavior /t REG_DWORD /d 0 /f)
if(null_registered EQUAL 0 AND ours_off EQUAL 0)
    measure(null)
endif()
# Put back before judging, so that a failure leaves the prefix as the other tests expect.
wine_step("" STATUS restored COMMAND reg add "${addins_key}\\BrindleAddin.Tessaly" /v LoadBehavior
          /t REG_DWORD /d 3 /f)
wine_step("" STATUS null_removed COMMAND ${REGSVR32} /s /u ${NULL_DLL})
if(SETUP)
    wine_step("" STATUS ignored COMMAND reg delete ${softphone_key} /f)
    wine_step("" STATUS ignored COMMAND ${REGSVR32} /s /u ${DLL})
endif()
if(NOT null_registered EQUAL 0 OR NOT ours_off EQUAL 0)
    message(FATAL_ERROR "the null add-in could not be measured alone: regsvr32 ${null_registered}, "
                        "LoadBehavior 0: ${ours_off}")
endif()
if(NOT restored EQUAL 0 OR NOT null_removed EQUAL 0)
    message(FATAL_ERROR "the add-ins' registrations were not put back (${restored}, ${null_removed})")
endif()

foreach(run RANGE 1 ${RUNS})
    run_output(ours one ${run} one)
    expect_clean_shutdown("${one}")
    startup_figures("${one}" BrindleAddin.Tessaly figures)
    list(GET figures 0 load)
    list(GET figures 1 connection)
    list(APPEND ours_one_load ${load})
    list(APPEND ours_one_connection ${connection})
    math(EXPR total "${load} + ${connection}")
    list(APPEND ours_one_total ${total})
    calls_lines("${one}" lines)
    list(LENGTH lines n)
    # The four of the script and the one of --stats.
    if(NOT n EQUAL 5)
        message(FATAL_ERROR "${n} calls lines, expected 5")
    endif()
    foreach(step connect refresh dial notice)
        list(POP_FRONT lines line)
        call_figures("${line}" figures)
        same_each_time(${step} "${figures}")
    endforeach()
endforeach()
foreach(run RANGE 1 ${RUNS})
    run_output(ours many ${run} big)
    expect_clean_shutdown("${big}")
    startup_figures("${big}" BrindleAddin.Tessaly figures)
    list(GET figures 0 load)
    list(GET figures 1 connection)
    list(APPEND ours_many_connection ${connection})
    math(EXPR total "${load} + ${connection}")
    list(APPEND ours_many_total ${total})
    calls_lines("${big}" lines)
    list(GET lines 0 line)
    call_figures("${line}" figures)
    same_each_time(connect_many "${figures}")
endforeach()
foreach(size one many)
    foreach(run RANGE 1 ${RUNS})
        run_output(null ${size} ${run} text)
        # The host notes between its check and the unload that the null add-in imports no
        # timer functions; everything else is as for any add-in.
        string(REPLACE "\nnote: the add-in imports neither SetTimer nor KillTimer; its timers are not tracked\n"
               "\n" text "${text}")
        expect_clean_shutdown("${text}")
        if(text MATCHES "(^|\n)addin: BrindleAddin")
            message(FATAL_ERROR "the add-in was loaded beside the null add-in")
        endif()
        startup_figures("${text}" Tessaly.NullAddin figures)
        list(GET figures 0 load)
        list(GET figures 1 connection)
        math(EXPR total "${load} + ${connection}")
        list(APPEND null_${size}_total ${total})
        list(APPEND null_${size}_load ${load})
    endforeach()
endforeach()

# The Dial button dials the combo box's first entry, once per start of ours.
set(records "")
foreach(run RANGE 1 ${RUNS})
    list(APPEND records "${RECORDER} /ap \"/postpone \"+385 1 4800 101\"\"")
endforeach()
expect_recorded(${RECORD_FILE} "${records}")

# The calls above the floor are those of each window's build and refresh: the same for
# every window, whichever contact it shows and however many windows there are. Checked in
# every measurement, also when a single start leaves nothing to compare between starts.
list(GET first_connect 0 connect_invokes)
list(GET first_connect_many 0 connect_many_invokes)
invoke_floor("Alma Reyes" one_floor)
invoke_floor("${many_contacts}" many_floor)
math(EXPR one_excess "${connect_invokes} - ${one_floor}")
math(EXPR many_excess "${connect_many_invokes} - ${many_floor}")
math(EXPR many_excess_expected "${one_excess} * ${WINDOWS}")
if(one_excess LESS 0 OR NOT many_excess EQUAL many_excess_expected)
    message(FATAL_ERROR "the connection's Invoke calls above the floor are not the same for each "
                        "window: ${one_excess} with 1 window (${connect_invokes}, floor "
                        "${one_floor}), ${many_excess} with ${WINDOWS} (${connect_many_invokes}, "
                        "floor ${many_floor})")
endif()

# Microseconds as milliseconds with one decimal, and a ratio with two.
function(ms us out)
    math(EXPR tenths "(${us} + 50) / 100")
    math(EXPR whole "${tenths} / 10")
    math(EXPR part "${tenths} % 10")
    set(${out} "${whole}.${part} ms" PARENT_SCOPE)
endfunction()
function(ratio a b out)
    if(b EQUAL 0)
        set(b 1)
    endif()
    math(EXPR hundredths "(${a} * 100 + ${b} / 2) / ${b}")
    math(EXPR whole "${hundredths} / 100")
    math(EXPR part "${hundredths} % 100")
    if(part LESS 10)
        set(part "0${part}")
    endif()
    set(${out} "${whole}.${part}" PARENT_SCOPE)
endfunction()
foreach(name ours_one_load ours_one_connection ours_one_total ours_many_connection ours_many_total
        null_one_load null_one_total null_many_total)
    median("${${name}}" ${name}_median)
    ms(${${name}_median} ${name}_text)
endforeach()
ratio(${ours_one_total_median} ${null_one_total_median} one_ratio)
ratio(${ours_many_total_median} ${null_many_total_median} many_ratio)
set(one_goal "met")
math(EXPR twice_null "2 * ${null_one_total_median}")
if(ours_one_total_median GREATER twice_null)
    set(one_goal "NOT met")
endif()
set(many_goal "met")
if(ours_many_connection_median GREATER_EQUAL 50000)
    set(many_goal "NOT met")
endif()
foreach(name ours_one_total ours_many_total null_one_total null_many_total)
    set(each "")
    foreach(us ${${name}})
        ms(${us} text)
        list(APPEND each "${text}")
    endforeach()
    list(JOIN each ", " ${name}_each)
endforeach()

function(describe name out)
    list(GET first_${name} 0 invokes)
    list(GET first_${name} 1 lookups)
    list(GET first_${name} 2 repeated)
    set(${out} "Invoke ${invokes}, GetIDsOfNames ${lookups} (names looked up again on one object: ${repeated})"
        PARENT_SCOPE)
endfunction()
describe(refresh refresh_text)
describe(dial dial_text)
describe(notice notice_text)
list(GET first_connect 1 connect_lookups)
list(GET first_connect_many 1 connect_many_lookups)
message("
== tessaly-standin measurements (median of ${RUNS} host start(s) each) ==
load + OnConnection, 1 window:   ${ours_one_total_text} (load ${ours_one_load_text}, OnConnection ${ours_one_connection_text}); null add-in ${null_one_total_text} (load ${null_one_load_text}); ratio ${one_ratio}, goal within 2: ${one_goal}
    each start: ours ${ours_one_total_each}; null add-in ${null_one_total_each}
load + OnConnection, ${WINDOWS} windows: ${ours_many_total_text} (OnConnection ${ours_many_connection_text}, goal under 50 ms: ${many_goal}); null add-in ${null_many_total_text}; ratio ${many_ratio}
    each start: ours ${ours_many_total_each}; null add-in ${null_many_total_each}
connection with 1 window:   Invoke calls: ${connect_invokes} (floor ${one_floor}), GetIDsOfNames ${connect_lookups}
connection with ${WINDOWS} windows: Invoke calls: ${connect_many_invokes} (floor ${many_floor}), GetIDsOfNames ${connect_many_lookups}
    above the floor: ${one_excess} per window
calls, one selection refresh on a contact with nine numbers: ${refresh_text}
calls, one dial (click Dial):      ${dial_text}
calls, the end of its notice:      ${notice_text}
")

list(GET first_refresh 0 refresh_invokes)
if(NOT refresh_invokes LESS MAX_REFRESH_INVOKES)
    message(FATAL_ERROR "a selection refresh costs ${refresh_invokes} Invoke calls, expected fewer than ${MAX_REFRESH_INVOKES}")
endif()
