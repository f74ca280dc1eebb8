# vantok_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One GoogleTest executable; its tests are discovered into ctest, with the given labels.
function(vantok_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE VANTOK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  # Interchange files made from real models, when a folder of them is given
  # (-DVANTOK_SAMPLES_DIR=...); the tests that read them are skipped otherwise.
  if(VANTOK_SAMPLES_DIR AND EXISTS "${VANTOK_SAMPLES_DIR}")
    target_compile_definitions(${name} PRIVATE VANTOK_SAMPLES_DIR="${VANTOK_SAMPLES_DIR}")
  endif()
  set(properties TIMEOUT 300)
  if(T_LABELS)
    list(APPEND properties LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DISCOVERY_TIMEOUT 120
    PROPERTIES ${properties})
endfunction()
