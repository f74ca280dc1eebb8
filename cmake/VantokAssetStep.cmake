# VantokAssetStep: one conversion of vantok_add_assets, run as `cmake -P` by the build.
#
# Takes -DCONVERTER, -DSOURCE, -DOUTPUT_DIR, -DNAME, -DOPTIONS (a list) and, for a model,
# -DIMPORTER. The model is imported to OUTPUT_DIR/NAME.xml, the interchange file is converted
# into the fresh folder OUTPUT_DIR/NAME.partial/NAME (the converter runs in NAME.partial with
# `-outFile NAME/NAME`, so the references it writes are the same as in the final folder), and on
# success that folder replaces OUTPUT_DIR/NAME and the stamp is written: files left over from an
# earlier conversion (a renamed animation) disappear, and a failed conversion leaves the last
# good folder untouched. Everything the programs print goes to OUTPUT_DIR/NAME.log; on failure
# it is shown and the step fails.

cmake_minimum_required(VERSION 3.20)

foreach(var CONVERTER SOURCE OUTPUT_DIR NAME)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "VantokAssetStep: -D${var}=... is missing")
  endif()
endforeach()

set(folder "${OUTPUT_DIR}/${NAME}")
set(work "${OUTPUT_DIR}/${NAME}.partial")
set(log "${OUTPUT_DIR}/${NAME}.log")
set(stamp "${OUTPUT_DIR}/${NAME}.stamp")

file(REMOVE "${stamp}")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}/${NAME}")

# fail(<what> <output>): shows the log and fails the step; the last good folder stays.
function(fail what output)
  file(WRITE "${log}" "${output}")
  file(REMOVE_RECURSE "${work}")
  message(NOTICE "${output}\n${what} ${SOURCE} failed; log: ${log}")
  message(FATAL_ERROR "vantok_add_assets: ${NAME} not converted")
endfunction()

set(input "${SOURCE}")
set(output "")
if(DEFINED IMPORTER AND NOT IMPORTER STREQUAL "")
  set(input "${OUTPUT_DIR}/${NAME}.xml")
  execute_process(COMMAND "${IMPORTER}" "${SOURCE}" -o "${input}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    fail("Importing" "${output}vantok-import exit status: ${status}\n")
  endif()
endif()

execute_process(COMMAND "${CONVERTER}" -inFile "${input}" -outFile "${NAME}/${NAME}" ${OPTIONS}
                WORKING_DIRECTORY "${work}"
                RESULT_VARIABLE status OUTPUT_VARIABLE converted ERROR_VARIABLE converted)
string(APPEND output "${converted}")
if(NOT status EQUAL 0)
  fail("Converting" "${output}VantokMeshImporter exit status: ${status}\n")
endif()

file(REMOVE_RECURSE "${folder}")
file(RENAME "${work}/${NAME}" "${folder}")
file(REMOVE_RECURSE "${work}")
file(WRITE "${log}" "${output}")
file(WRITE "${stamp}" "${SOURCE}\n")
