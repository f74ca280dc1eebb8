# The interchange reader over arbitrary bytes: parse, read the scene, prepare skeleton and
# animations. Seed corpus: fuzz/corpus/reader_fuzz/.
vantok_add_fuzzer(reader_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/reader_fuzz.cpp LIBS vantok_scene vantok_anim vantok_driver)
