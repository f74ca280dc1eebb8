# AssetBuildTest: builds the example asset project (examples/assets) with the just-built
# converter in a scratch folder, as a user would, and checks what the build tool does.
#   MODE=build   the first build converts every example into its own folder (same files as a
#                direct run of the converter); a second build does nothing; a touched source
#                alone reconverts, and its folder loses a file left from before; a broken source
#                fails the build naming it, keeps its last good folder and fails again until
#                mended; two sources that would share a folder are refused when configuring;
#                a project's own converter target is used.
#   MODE=import  the example's OBJ model through vantok-import (SKIPPED when it is not built).
# Takes -DMODE, -DCONVERTER, -DIMPORTER, -DCOMPARE, -DSOURCE_DIR, -DWORK, -DMAKE_PROGRAM.
cmake_minimum_required(VERSION 3.20)

set(example "${SOURCE_DIR}/examples/assets")
set(assets "${WORK}/build/assets")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/src" "${WORK}/models" "${WORK}/direct")

function(fail what)
  message(FATAL_ERROR "${what}")
endfunction()

# configure(<status-var> <output-var> <source> <binary> [-D...]): configures with Ninja.
function(configure status_var output_var source binary)
  set(program "")
  if(MAKE_PROGRAM)
    set(program "-DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -S "${source}" -B "${binary}" -G Ninja ${program}
                          -DCMAKE_DISABLE_FIND_PACKAGE_Vantok=ON
                          "-DVANTOK_CONVERTER=${CONVERTER}" ${ARGN}
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(${status_var} ${status} PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

# build(<output-var> <expect: OK or FAIL>): builds the example; its output in <output-var>.
function(build output_var expect)
  execute_process(COMMAND ${CMAKE_COMMAND} --build "${WORK}/build"
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(expect STREQUAL "OK" AND NOT status EQUAL 0)
    fail("the build failed:\n${output}")
  elseif(expect STREQUAL "FAIL" AND status EQUAL 0)
    fail("the build succeeded where it should fail:\n${output}")
  endif()
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

# expect_converted(<output> <verb> <all names> <converted names...>): exactly these were converted.
function(expect_converted output verb all)
  foreach(name IN LISTS all)
    string(FIND "${output}" "${verb} ${name}" at)
    list(FIND ARGN "${name}" wanted)
    if(wanted GREATER -1 AND at EQUAL -1)
      fail("${name} was not converted:\n${output}")
    elseif(wanted EQUAL -1 AND at GREATER -1)
      fail("${name} was converted although nothing it depends on changed:\n${output}")
    endif()
  endforeach()
endfunction()

# expect_files(<folder> <names...>): the folder holds exactly these files.
function(expect_files folder)
  file(GLOB found RELATIVE "${folder}" "${folder}/*")
  list(SORT found)
  set(wanted ${ARGN})
  list(SORT wanted)
  if(NOT found STREQUAL wanted)
    fail("${folder} holds '${found}', expected '${wanted}'")
  endif()
endfunction()

# expect_same_as_direct(<input> <name>): the folder matches a direct run of the converter.
function(expect_same_as_direct input name)
  file(MAKE_DIRECTORY "${WORK}/direct/${name}")
  execute_process(COMMAND "${CONVERTER}" -inFile "${input}" -outFile "${name}/${name}"
                  WORKING_DIRECTORY "${WORK}/direct" RESULT_VARIABLE status OUTPUT_QUIET)
  execute_process(COMMAND "${COMPARE}" "${WORK}/direct/${name}" "${assets}/${name}"
                  RESULT_VARIABLE same OUTPUT_VARIABLE differences)
  if(NOT status EQUAL 0 OR NOT same EQUAL 0)
    fail("${name}: the asset build differs from a direct conversion:\n${differences}")
  endif()
endfunction()

function(expect_no_work output)
  if(NOT output MATCHES "no work to do" OR output MATCHES "Converting")
    fail("a build with nothing changed did something:\n${output}")
  endif()
endfunction()

# ---------------------------------------------------------------------------------------------
if(MODE STREQUAL "import")
  if(NOT IMPORTER)
    message("SKIPPED: vantok-import is not built")
    return()
  endif()
  file(COPY "${example}/models/" DESTINATION "${WORK}/models")
  configure(status output "${example}" "${WORK}/build" "-DVANTOK_EXAMPLE_SOURCES=${WORK}/src"
            -DVANTOK_EXAMPLE_IMPORT=ON "-DVANTOK_EXAMPLE_MODELS=${WORK}/models"
            "-DVANTOK_IMPORT=${IMPORTER}")
  if(NOT status EQUAL 0)
    fail("configuring the example failed:\n${output}")
  endif()
  build(output OK)
  expect_converted("${output}" "Importing and converting" "panel.obj" "panel.obj")
  if(NOT EXISTS "${assets}/panel/panel.im" OR NOT EXISTS "${assets}/panel.xml")
    fail("the model gave no panel.xml and panel/panel.im:\n${output}")
  endif()
  expect_same_as_direct("${assets}/panel.xml" panel)
  build(output OK)
  expect_no_work("${output}")
  file(TOUCH "${WORK}/models/panel.obj")
  build(output OK)
  expect_converted("${output}" "Importing and converting" "panel.obj" "panel.obj")
  return()
endif()

# ---------------------------------------------------------------------------------------------
# MODE=build. The expected files follow from each example's texture names and animation names.
set(arm arm_local_matrix_axisangle)
set(crate crate_static_materials)
set(flag flag_skinned_global)
set(all ${arm} ${crate} ${flag})
foreach(name IN LISTS all)
  file(COPY "${SOURCE_DIR}/examples/${name}.xml" DESTINATION "${WORK}/src")
endforeach()
configure(status output "${example}" "${WORK}/build" "-DVANTOK_EXAMPLE_SOURCES=${WORK}/src")
if(NOT status EQUAL 0)
  fail("configuring the example failed:\n${output}")
endif()

# first build: every source, each in its own folder with a stamp and a log
build(output OK)
expect_converted("${output}" Converting "${all}" ${all})
expect_files("${assets}/${arm}" ${arm}.im bend.kin)
expect_files("${assets}/${crate}" ${crate}.im stone.texture.txt stone_normal.texture.txt
             wood.texture.txt wood_gloss.texture.txt)
expect_files("${assets}/${flag}" ${flag}.im flag.texture.txt wave.kin)
foreach(name IN LISTS all)
  expect_same_as_direct("${WORK}/src/${name}.xml" ${name})
  if(NOT EXISTS "${assets}/${name}.stamp" OR NOT EXISTS "${assets}/${name}.log")
    fail("${name}: no stamp or log beside its folder")
  endif()
endforeach()

# second build: nothing to do
build(output OK)
expect_no_work("${output}")

# a touched source alone reconverts; its folder is replaced, so a stale file goes
file(SHA256 "${assets}/${flag}/${flag}.im" flag_hash)
file(WRITE "${assets}/${crate}/old_name.kin" "stale")
file(TOUCH "${WORK}/src/${crate}.xml")
build(output OK)
expect_converted("${output}" Converting "${all}" ${crate})
if(EXISTS "${assets}/${crate}/old_name.kin")
  fail("a file of an earlier conversion survived the reconversion")
endif()
file(SHA256 "${assets}/${flag}/${flag}.im" hash)
if(NOT hash STREQUAL flag_hash)
  fail("an untouched source's .im changed")
endif()

# a broken source fails the build with its name and log; its last good folder stays
file(WRITE "${WORK}/src/${flag}.xml" "<vantokImport version=\"1\">\n  <mesh>\n")
foreach(attempt 1 2)
  build(output FAIL)
  if(NOT output MATCHES "Converting [^\n]*${flag}.xml failed; log: [^\n]*${flag}.log"
     OR NOT output MATCHES "Error: ")
    fail("the failure does not name the source and show its log:\n${output}")
  endif()
  file(SHA256 "${assets}/${flag}/${flag}.im" hash)
  if(NOT hash STREQUAL flag_hash OR EXISTS "${assets}/${flag}.stamp"
     OR EXISTS "${assets}/${flag}.partial")
    fail("the failed conversion touched the last good folder or left its work behind")
  endif()
  file(READ "${assets}/${flag}.log" log)
  if(NOT log MATCHES "Error: ")
    fail("the log of the failed conversion holds no error:\n${log}")
  endif()
endforeach()
file(COPY "${SOURCE_DIR}/examples/${flag}.xml" DESTINATION "${WORK}/src")
build(output OK)
expect_converted("${output}" Converting "${all}" ${flag})
expect_files("${assets}/${flag}" ${flag}.im flag.texture.txt wave.kin)

# sources that would share a folder (names equal but for case) are refused; a folder is named
# after the file name without its last extension only
foreach(case "one/Crate.xml|two/crate.xml|out|refused" "one/Crate.xml|two/crate.xml|other|accepted"
        "one/crate.v1.xml|two/crate.v2.xml|out|accepted")
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 first)
  list(GET case 1 second)
  list(GET case 2 second_dir)
  list(GET case 3 expected)
  file(REMOVE_RECURSE "${WORK}/names")
  file(WRITE "${WORK}/names/${first}" "")
  file(WRITE "${WORK}/names/${second}" "")
  file(WRITE "${WORK}/names/CMakeLists.txt"
       "cmake_minimum_required(VERSION 3.20)\nproject(names NONE)\n"
       "include(\"${SOURCE_DIR}/cmake/VantokAssets.cmake\")\n"
       "vantok_add_assets(TARGET a SOURCES ${first} OUTPUT_DIR out)\n"
       "vantok_add_assets(TARGET b SOURCES ${second} OUTPUT_DIR ${second_dir})\n")
  configure(status output "${WORK}/names" "${WORK}/names/build")
  set(outcome accepted)
  if(NOT status EQUAL 0)
    set(outcome "failed")
    if(output MATCHES "two sources would convert to")
      set(outcome refused)
    endif()
  endif()
  if(NOT outcome STREQUAL expected)
    fail("${first} and ${second} (in ${second_dir}): ${outcome}, expected ${expected}:\n${output}")
  endif()
endforeach()

# inside a project that has a converter target (here an imported one), the module uses that
# target when VANTOK_CONVERTER is empty
file(REMOVE_RECURSE "${WORK}/in_tree")
file(WRITE "${WORK}/in_tree/CMakeLists.txt"
     "cmake_minimum_required(VERSION 3.20)\nproject(in_tree NONE)\n"
     "add_executable(VantokMeshImporter IMPORTED)\n"
     "set_target_properties(VantokMeshImporter PROPERTIES IMPORTED_LOCATION \"${CONVERTER}\")\n"
     "include(\"${SOURCE_DIR}/cmake/VantokAssets.cmake\")\n"
     "vantok_add_assets(TARGET a SOURCES \"${WORK}/src/${arm}.xml\" OUTPUT_DIR out)\n")
set(real_converter "${CONVERTER}")
set(CONVERTER "")
configure(status output "${WORK}/in_tree" "${WORK}/in_tree/build")
set(CONVERTER "${real_converter}")
if(NOT status EQUAL 0)
  fail("configuring a project with a converter target failed:\n${output}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build "${WORK}/in_tree/build"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0 OR NOT EXISTS "${WORK}/in_tree/build/out/${arm}/${arm}.im")
  fail("the converter target did not convert:\n${output}")
endif()
