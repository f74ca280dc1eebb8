# ContactSheetAssetTest: the example asset project built with CONTACT_SHEET, as a user would:
# the build converts the examples and draws them into one PNG, 1200 pixels wide.
# Takes -DCONVERTER, -DVIEW, -DSOURCE_DIR, -DWORK, -DMAKE_PROGRAM.
cmake_minimum_required(VERSION 3.20)

file(REMOVE_RECURSE "${WORK}")
set(sheet "${WORK}/sheet.png")
set(program "")
if(MAKE_PROGRAM)
  set(program "-DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}")
endif()
foreach(step configure build)
  if(step STREQUAL "configure")
    set(command ${CMAKE_COMMAND} -S "${SOURCE_DIR}/examples/assets" -B "${WORK}/build" -G Ninja
        ${program} -DCMAKE_DISABLE_FIND_PACKAGE_Vantok=ON "-DVANTOK_CONVERTER=${CONVERTER}"
        "-DVANTOK_VIEW=${VIEW}" "-DVANTOK_EXAMPLE_CONTACT_SHEET=${sheet}")
  else()
    set(command ${CMAKE_COMMAND} --build "${WORK}/build")
  endif()
  execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the ${step} step failed:\n${output}")
  endif()
endforeach()
if(NOT output MATCHES "Drawing the contact sheet sheet.png")
  message(FATAL_ERROR "the build did not draw the sheet:\n${output}")
endif()
file(READ "${sheet}" header HEX LIMIT 24)
# PNG signature, then the IHDR chunk with the width 1200 (0x4b0)
if(NOT header MATCHES "^89504e470d0a1a0a0000000d49484452000004b0")
  message(FATAL_ERROR "sheet.png is not a PNG 1200 pixels wide: ${header}")
endif()
