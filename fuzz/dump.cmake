# vantok-dump fuzz target: reading, validation, both dumps and the glTF export of arbitrary files.
if(TARGET vantok_dump)
  vantok_add_fuzzer(dump_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/dump_fuzz.cpp LIBS vantok_dump)
endif()
