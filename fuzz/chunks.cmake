# Chunk reader fuzz target: framing, nesting and padded strings of arbitrary files.
vantok_add_fuzzer(chunks_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/chunks_fuzz.cpp LIBS vantok_chunks)
set_target_properties(chunks_fuzz PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
