# vantok-view fuzz target: the served-path check on arbitrary request names.
if(TARGET vantok_view)
  vantok_add_fuzzer(served_path_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/served_path_fuzz.cpp
                    LIBS vantok_view)
endif()
