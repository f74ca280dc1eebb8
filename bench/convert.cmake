# The whole conversion of generated skinned meshes beside pugixml's parse of the same file,
# stage by stage, and a 10k / 100k / 1M-triangle table of the built program in a child process
# (time, MB/s, peak memory over input size). Its own main: summary and table after the runs.
find_package(pugixml CONFIG REQUIRED)
add_executable(convert_bench ${CMAKE_CURRENT_LIST_DIR}/convert_bench.cpp)
target_link_libraries(convert_bench PRIVATE vantok_driver pugixml::pugixml benchmark::benchmark)
target_include_directories(convert_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/MeshAnimConverter/e2e)
