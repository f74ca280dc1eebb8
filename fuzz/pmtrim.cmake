# pmtrim fuzz target: scan and removal passes over arbitrary .pm files, through Converter.
vantok_add_fuzzer(pmtrim_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/pmtrim_fuzz.cpp LIBS pmtrim)
set_target_properties(pmtrim_fuzz PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
