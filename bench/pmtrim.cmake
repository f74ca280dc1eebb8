# pmtrim: trimming a generated 50 MB progressive-mesh file with 100 progressive-mesh chunks.
vantok_add_bench(pmtrim_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/pmtrim_bench.cpp LIBS pmtrim)
