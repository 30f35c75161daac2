tessaly_add_fuzzer(pe_version_fuzz ${CMAKE_CURRENT_LIST_DIR}/pe_version_fuzz.cpp
    tessaly_platform_pe)
