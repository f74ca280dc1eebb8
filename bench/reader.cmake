# Interchange reader: reading a generated skinned mesh of 100,000 triangles (load + scene fill),
# and the cost per number read from element text against strtof and std::from_chars.
vantok_add_bench(reader_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/reader_bench.cpp
  LIBS vantok_scene vantok_anim vantok_driver)
