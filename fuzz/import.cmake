# vantok-import fuzz target: assimp's readers from memory, then the extraction and the
# interchange text.
if(TARGET vantok_import)
  vantok_add_fuzzer(import_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/import_fuzz.cpp LIBS vantok_import)
endif()
