vantok_add_fuzzer(lexer_number SOURCES ${CMAKE_CURRENT_LIST_DIR}/lexer_number.cpp LIBS vantok_xml)
