# The whole conversion of a generated skinned mesh of 100,000 triangles in one material with a
# 100-frame animation, end to end and stage by stage (read, fill, build, per-chunk
# optimisation, IM write, KIN write), with triangles/s, interchange MB/s and peak memory.
vantok_add_bench(convert_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/convert_bench.cpp
  LIBS vantok_driver)
target_include_directories(convert_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/MeshAnimConverter/e2e)
