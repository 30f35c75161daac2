# Runs the layer check on a small tree with one include up, one sideways and two that are
# allowed, and expects exactly the first two reported, with their files and lines.
file(REMOVE_RECURSE ${WORK})
file(WRITE ${WORK}/host/office.h "#pragma once\n")
file(WRITE ${WORK}/softphone/common.h "#pragma once\n")
file(WRITE ${WORK}/platform/services.h "#pragma once\n\n#include \"host/office.h\"\n")
file(WRITE ${WORK}/timers/timer_manager.cpp
     "#include \"platform/services.h\"\n#include \"softphone/common.h\"\n")
file(WRITE ${WORK}/tests/unit/any_test.cpp "#include \"timers/timer_manager.cpp\"\n")

execute_process(COMMAND ${PYTHON} ${CHECK} ${WORK}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(expected "platform/services.h:3: includes host/office.h: platform may not include host (a higher layer)
timers/timer_manager.cpp:2: includes softphone/common.h: timers may not include softphone (a layer beside it)
")
if(status EQUAL 0)
    message(FATAL_ERROR "the check passed a tree with includes against the layers:\n${out}")
endif()
if(NOT out STREQUAL expected)
    message(FATAL_ERROR "expected:\n${expected}got:\n${out}${err}")
endif()
