# Runs COMMAND (a list) and checks its exit status against STATUS and its combined output
# against the regular expression PATTERN (when not empty). REGISTRY, when given, is the
# run's registry file, removed first.
if(REGISTRY)
    file(REMOVE ${REGISTRY})
endif()
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE out)
if(NOT status STREQUAL STATUS)
    message(FATAL_ERROR "exit status ${status}, expected ${STATUS}; output:\n${out}")
endif()
if(PATTERN AND NOT out MATCHES "${PATTERN}")
    message(FATAL_ERROR "output does not match \"${PATTERN}\":\n${out}")
endif()
