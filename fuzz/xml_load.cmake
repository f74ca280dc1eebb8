vantok_add_fuzzer(xml_load SOURCES ${CMAKE_CURRENT_LIST_DIR}/xml_load.cpp LIBS vantok_xml)
