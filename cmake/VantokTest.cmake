# vantok_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable; its tests are discovered into ctest.
function(vantok_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VANTOK_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VANTOK_SAMPLES_DIR="${CMAKE_SOURCE_DIR}/../shared/samples")
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT 300)
endfunction()
