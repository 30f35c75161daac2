# The ribbon's cost beside the toolbar's, with the real DLL: OnConnection and the ribbon's
# load right after it (median of RUNS starts each), the Invoke and GetIDsOfNames calls the
# add-in makes into the host for the connection, one selection refresh on a contact with
# nine numbers, one dial and the end of its notice, each with the ribbon and with
# --no-ribbon, and the host's calls of the add-in's ribbon callbacks. Figures are printed,
# never held to a time; every start must count the same calls.
#   WINE_RUN, EXE, HERE, RUNS
include(${CMAKE_CURRENT_LIST_DIR}/standin_lib.cmake)

set(steps connect refresh dial notice)

# "calls: [ribbon callbacks ]invoke=N (+I) get-ids-of-names=N (+G)..." -> "I/G" for each line.
function(call_figures text prefix out)
    string(REGEX MATCHALL "calls: ${prefix}invoke=[0-9]+ \\(\\+[0-9]+\\) get-ids-of-names=[0-9]+ \\(\\+[0-9]+\\)"
           lines "${text}")
    set(figures "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE ".*\\(\\+([0-9]+)\\) get-ids-of-names=[0-9]+ \\(\\+([0-9]+)\\)"
               "\\1/\\2" figure "${line}")
        list(APPEND figures "${figure}")
    endforeach()
    set(${out} "${figures}" PARENT_SCOPE)
endfunction()


set(load_ms "")
foreach(variant ribbon toolbar)
    set(args --no-launch)
    if(variant STREQUAL "toolbar")
        list(APPEND args --no-ribbon)
    endif()
    set(${variant}_ms "")
    foreach(run RANGE 1 ${RUNS})
        standin_run(out SCRIPT ${HERE}/measure_one_window.script PROFILE ${HERE}/nine_numbers.json
                    ARGS ${args} CONNECTION_MS ms RAW raw)
        expect_clean_shutdown("${out}")
        list(APPEND ${variant}_ms ${ms})
        call_figures("${out}" "" host_calls)
        list(LENGTH host_calls n)
        if(NOT n EQUAL 4)
            message(FATAL_ERROR "${n} calls lines, expected 4")
        endif()
        same_each_time(${variant}_host "${host_calls}")
        if(variant STREQUAL "ribbon")
            if(NOT raw MATCHES "\nstartup: the ribbon took ([0-9]+) ms\n")
                message(FATAL_ERROR "no time for the ribbon's load")
            endif()
            list(APPEND load_ms ${CMAKE_MATCH_1})
            call_figures("${out}" "ribbon callbacks " callback_calls)
            same_each_time(callbacks "${callback_calls}")
        elseif(out MATCHES "\n(ribbon [0-9]+: [^\n]*)")
            message(FATAL_ERROR "--no-ribbon shows a ribbon: ${CMAKE_MATCH_1}")
        endif()
    endforeach()
    median("${${variant}_ms}" ${variant}_median)
endforeach()
median("${load_ms}" load_median)

function(row label step out)
    list(FIND steps ${step} index)
    list(GET first_ribbon_host ${index} with)
    list(GET first_toolbar_host ${index} without)
    list(GET first_callbacks ${index} callbacks)
    foreach(figure with without callbacks)
        string(REGEX REPLACE "([0-9]+)/([0-9]+)" "Invoke \\1, GetIDsOfNames \\2" ${figure}
               "${${figure}}")
    endforeach()
    set(${out} "${label}${with} with the ribbon, ${without} without; callbacks called: ${callbacks}"
        PARENT_SCOPE)
endfunction()
row("the connection:                " connect connect_text)
row("one selection refresh:         " refresh refresh_text)
row("one dial (click Dial):         " dial dial_text)
row("the end of its notice:         " notice notice_text)
list(JOIN ribbon_ms " " ribbon_list)
list(JOIN toolbar_ms " " toolbar_list)
list(JOIN load_ms " " load_list)
message("
== tessaly-standin: the ribbon beside the toolbar (one window, median of ${RUNS} starts) ==
OnConnection with the ribbon:        ${ribbon_median} ms   (each start: ${ribbon_list})
OnConnection, toolbar only:          ${toolbar_median} ms   (each start: ${toolbar_list})
the ribbon's load after OnConnection: ${load_median} ms   (each start: ${load_list})
   (GetCustomUI, the XML parsed, callbacks resolved, onLoad, the first queries;
    Outlook's limit for an add-in's start: 1000 ms)
calls into the host (Outlook allows 10,000 a second):
  ${connect_text}
  ${refresh_text}
  ${dial_text}
  ${notice_text}
")
