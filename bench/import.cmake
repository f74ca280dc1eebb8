# vantok-import on a generated 100,000-triangle OBJ model: assimp's own load (the same
# post-processing) beside the import alone and the whole tool run with the interchange write.
if(TARGET vantok_import)
  vantok_add_bench(import_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/import_bench.cpp
    LIBS vantok_import)
endif()
