# The host's figures for the add-in's toolbar (the host shows no ribbon: --no-ribbon; the
# ribbon's are ribbon_measurements.cmake's): time in OnConnection with 1 and with 20 windows
# (median of RUNS starts each), and the Invoke and GetIDsOfNames calls of the connection, of
# one selection refresh on a contact with nine numbers and of one dial. Times are reported,
# not asserted; a selection refresh must cost fewer than MAX_REFRESH_INVOKES Invoke calls.
#   WINE_RUN, EXE, HERE, WORK (a folder for the generated profile), RECORD_FILE, RUNS,
#   MAX_REFRESH_INVOKES, WINDOWS (how many windows the large profile opens)
include(${CMAKE_CURRENT_LIST_DIR}/standin_lib.cmake)

# The large profile: the nine-number profile with WINDOWS windows, on the contacts in turn.
file(READ ${HERE}/nine_numbers.json profile)
set(contacts "Alma Reyes" "Bruno Castellani" "Chen Wei" "Dana Ortiz" "Nadia Novak")
set(explorers "")
math(EXPR last "${WINDOWS} - 1")
foreach(i RANGE ${last})
    math(EXPR pick "${i} % 5")
    list(GET contacts ${pick} contact)
    list(APPEND explorers "{\"folder\": \"Contacts\", \"selection\": [\"${contact}\"]}")
endforeach()
list(JOIN explorers ", " explorers)
string(JSON profile SET "${profile}" explorers "[${explorers}]")
set(many ${WORK}/measure_${WINDOWS}_windows.json)
file(WRITE ${many} "${profile}\n")

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
function(median values out)
    list(SORT values COMPARE NATURAL)
    list(LENGTH values n)
    math(EXPR middle "${n} / 2")
    list(GET values ${middle} value)
    set(${out} ${value} PARENT_SCOPE)
endfunction()
# Every start must count the same calls; a difference means the figures are not the add-in's.
function(same_each_time name value)
    if(DEFINED first_${name} AND NOT first_${name} STREQUAL value)
        message(FATAL_ERROR "${name}: ${value}, but ${first_${name}} in an earlier start")
    endif()
    set(first_${name} "${value}" PARENT_SCOPE)
endfunction()

file(REMOVE ${RECORD_FILE})
set(one_ms "")
set(many_ms "")
foreach(run RANGE 1 ${RUNS})
    standin_run(one SCRIPT ${HERE}/measure_one_window.script PROFILE ${HERE}/nine_numbers.json
                ARGS --no-ribbon CONNECTION_MS ms)
    expect_clean_shutdown("${one}")
    list(APPEND one_ms ${ms})
    calls_lines("${one}" lines)
    list(LENGTH lines n)
    if(NOT n EQUAL 4)
        message(FATAL_ERROR "${n} calls lines, expected 4")
    endif()
    foreach(step connect refresh dial notice)
        list(POP_FRONT lines line)
        call_figures("${line}" figures)
        same_each_time(${step} "${figures}")
    endforeach()

    standin_run(big SCRIPT ${HERE}/measure_many_windows.script PROFILE ${many} ARGS --no-ribbon
                CONNECTION_MS ms)
    expect_clean_shutdown("${big}")
    list(APPEND many_ms ${ms})
    calls_lines("${big}" lines)
    call_figures("${lines}" figures)
    same_each_time(connect_many "${figures}")
endforeach()

# The Dial button dials the combo box's first entry, once per start.
set(records "")
foreach(run RANGE 1 ${RUNS})
    list(APPEND records "${RECORDER} /ap \"/postpone \"+385 1 4800 101\"\"")
endforeach()
expect_recorded(${RECORD_FILE} "${records}")

median("${one_ms}" one_median)
median("${many_ms}" many_median)
function(describe name out)
    list(GET first_${name} 0 invokes)
    list(GET first_${name} 1 lookups)
    list(GET first_${name} 2 repeated)
    set(${out} "Invoke ${invokes}, GetIDsOfNames ${lookups} (names looked up again on one object: ${repeated})"
        PARENT_SCOPE)
endfunction()
describe(connect connect_text)
describe(connect_many connect_many_text)
describe(refresh refresh_text)
describe(dial dial_text)
describe(notice notice_text)
list(JOIN one_ms " " one_list)
list(JOIN many_ms " " many_list)
set(goal "met")
if(many_median GREATER_EQUAL 50)
    set(goal "NOT met")
endif()
message("
== tessaly-standin measurements (median of ${RUNS} host starts each) ==
OnConnection, 1 window:            ${one_median} ms   (each start: ${one_list})
OnConnection, ${WINDOWS} windows:          ${many_median} ms   (each start: ${many_list}); goal under 50 ms: ${goal}
calls, connection with 1 window:   ${connect_text}
calls, connection with ${WINDOWS} windows: ${connect_many_text}
calls, one selection refresh on a contact with nine numbers: ${refresh_text}
calls, one dial (click Dial):      ${dial_text}
calls, the end of its notice:      ${notice_text}
")

list(GET first_refresh 0 refresh_invokes)
if(NOT refresh_invokes LESS MAX_REFRESH_INVOKES)
    message(FATAL_ERROR "a selection refresh costs ${refresh_invokes} Invoke calls, expected fewer than ${MAX_REFRESH_INVOKES}")
endif()
