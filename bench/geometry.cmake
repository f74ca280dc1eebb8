# Geometry benchmarks: reorder time (production beside the plain procedure the
# tests keep) and vertex-cache miss ratios, with a meshoptimizer comparison when
# that library is installed (Debian: libmeshoptimizer-dev), tangent frames, and the strip search
# on chunks shaped like the shared benchmark file's beside meshoptimizer's strip generator.
set(geometry_bench_libs vantok_geometry)
find_package(meshoptimizer QUIET)
if(meshoptimizer_FOUND)
  list(APPEND geometry_bench_libs meshoptimizer::meshoptimizer)
else()
  message(STATUS "meshoptimizer not found: geometry_bench runs without the comparison")
endif()
vantok_add_bench(geometry_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/geometry_reorder.cpp ${CMAKE_CURRENT_LIST_DIR}/geometry_tangents.cpp
          ${CMAKE_CURRENT_LIST_DIR}/geometry_strips.cpp
          ${CMAKE_SOURCE_DIR}/tests/MeshAnimConverter/geometry/StripGeneratorReference.cpp
  LIBS ${geometry_bench_libs})
if(meshoptimizer_FOUND)
  target_compile_definitions(geometry_bench PRIVATE VANTOK_HAVE_MESHOPTIMIZER=1)
endif()
