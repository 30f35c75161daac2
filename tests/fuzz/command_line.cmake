tessaly_add_fuzzer(command_line_fuzz ${CMAKE_CURRENT_LIST_DIR}/command_line_fuzz.cpp
    tessaly_platform_posix)
