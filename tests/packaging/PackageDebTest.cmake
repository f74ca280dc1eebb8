# PackageDebTest: makes the .deb of this build with CPack, unpacks it into a scratch root with
# dpkg -x and checks it: the files in their places, run-time dependencies from the library scan
# (assimp's when vantok-import is in), the installed converter giving the build's outputs for an
# example, the installed CMake module found by find_package and converting the examples
# with the installed converter, vantok-view with its page files and three.js when it is built, and
# (when the build has it) the Python package imported from the unpacked dist-packages reading
# that example's .im.
# Takes -DBUILD_DIR, -DSOURCE_DIR, -DCOMPARE, -DDEB_DIR and -DPYTHON (empty without the package).
cmake_minimum_required(VERSION 3.20)

set(root "${DEB_DIR}/root")
file(REMOVE_RECURSE "${DEB_DIR}")
file(MAKE_DIRECTORY "${root}" "${DEB_DIR}/installed" "${DEB_DIR}/built")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "'${ARGN}' failed (${status}):\n${output}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

run(cpack --config "${BUILD_DIR}/CPackConfig.cmake" -G DEB -B "${DEB_DIR}/out")
file(GLOB debs "${DEB_DIR}/out/*.deb")
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .deb, found '${debs}'")
endif()
run(dpkg -x "${debs}" "${root}")

# the files in their places
foreach(file usr/bin/VantokMeshImporter usr/lib/libpmtrim.so usr/include/pmtrim.h
        usr/share/vantok/cmake/VantokConfig.cmake usr/share/vantok/cmake/VantokAssets.cmake
        usr/share/vantok/cmake/VantokAssetStep.cmake usr/share/doc/vantok-tools/README.md)
  if(NOT EXISTS "${root}/${file}")
    message(FATAL_ERROR "the .deb has no ${file}")
  endif()
endforeach()

# run-time dependencies computed from the programs and the library
run(dpkg-deb -f "${debs}" Package Version Architecture Depends)
set(fields "${output}")
foreach(pattern "Package: vantok-tools" "Depends: [^\n]*libc6" "Depends: [^\n]*libstdc\\+\\+6")
  if(NOT fields MATCHES "${pattern}")
    message(FATAL_ERROR "the control fields do not match '${pattern}':\n${fields}")
  endif()
endforeach()
if(EXISTS "${root}/usr/bin/vantok-import" AND NOT fields MATCHES "Depends: [^\n]*libassimp")
  message(FATAL_ERROR "vantok-import is packaged but assimp is no dependency:\n${fields}")
endif()

# vantok-view with its page files and the three.js the lock file pins
if(EXISTS "${BUILD_DIR}/bin/vantok-view")
  foreach(file usr/bin/vantok-view usr/share/vantok/view/index.html usr/share/vantok/view/app.js
          usr/share/vantok/view/three/build/three.module.min.js
          usr/share/vantok/view/three/examples/jsm/loaders/GLTFLoader.js)
    if(NOT EXISTS "${root}/${file}")
      message(FATAL_ERROR "the .deb has no ${file}")
    endif()
  endforeach()
  file(READ "${SOURCE_DIR}/tools/view/package-lock.json" lock)
  string(JSON locked GET "${lock}" packages node_modules/three version)
  file(READ "${root}/usr/share/vantok/view/three/package.json" three)
  string(JSON shipped GET "${three}" version)
  if(NOT shipped STREQUAL locked)
    message(FATAL_ERROR "the .deb ships three.js ${shipped}, the lock file pins ${locked}")
  endif()
  if(NOT fields MATCHES "Depends: [^\n]*libcpp-httplib")
    message(FATAL_ERROR "vantok-view is packaged but cpp-httplib is no dependency:\n${fields}")
  endif()
  run("${root}/usr/bin/vantok-view" --version)
endif()

# the installed converter writes what the build's converter writes
set(name flag_skinned_global)
foreach(side installed built)
  if(side STREQUAL "installed")
    set(program "${root}/usr/bin/VantokMeshImporter")
  else()
    set(program "${BUILD_DIR}/bin/VantokMeshImporter")
  endif()
  file(MAKE_DIRECTORY "${DEB_DIR}/${side}/${name}")
  execute_process(COMMAND "${program}" -inFile "${SOURCE_DIR}/examples/${name}.xml"
                          -outFile "${name}/${name}"
                  WORKING_DIRECTORY "${DEB_DIR}/${side}" RESULT_VARIABLE status
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0 OR NOT EXISTS "${DEB_DIR}/${side}/${name}/${name}.im")
    message(FATAL_ERROR "the ${side} converter failed (${status}):\n${output}")
  endif()
endforeach()
run("${COMPARE}" "${DEB_DIR}/built/${name}" "${DEB_DIR}/installed/${name}")

# the installed module, through find_package, with the installed converter
run(${CMAKE_COMMAND} -S "${SOURCE_DIR}/examples/assets" -B "${DEB_DIR}/example" -G Ninja
    "-DCMAKE_PREFIX_PATH=${root}/usr")
file(STRINGS "${DEB_DIR}/example/CMakeCache.txt" converter REGEX "^VANTOK_CONVERTER:")
if(NOT converter STREQUAL "VANTOK_CONVERTER:FILEPATH=${root}/usr/bin/VantokMeshImporter")
  message(FATAL_ERROR "the installed module did not find the installed converter: ${converter}")
endif()
run(${CMAKE_COMMAND} --build "${DEB_DIR}/example")
file(GLOB examples RELATIVE "${SOURCE_DIR}/examples" "${SOURCE_DIR}/examples/*.xml")
foreach(example IN LISTS examples)
  get_filename_component(stem "${example}" NAME_WE)
  if(NOT EXISTS "${DEB_DIR}/example/assets/${stem}/${stem}.im")
    message(FATAL_ERROR "the installed module did not convert ${example}")
  endif()
endforeach()

# the Python package, from the unpacked folder, by the interpreter it was built for
if(PYTHON)
  set(packages "${root}/usr/lib/python3/dist-packages")
  file(GLOB module "${packages}/vantok/_vantok*.so")
  if(NOT module OR NOT EXISTS "${packages}/vantok/__init__.py")
    message(FATAL_ERROR "the .deb has no Python package vantok")
  endif()
  set(im "${DEB_DIR}/installed/${name}/${name}.im")
  # called directly: run() would split the program text at its semicolon
  execute_process(COMMAND ${CMAKE_COMMAND} -E env "PYTHONPATH=${packages}"
                          PYTHONDONTWRITEBYTECODE=1
                          "${PYTHON}" -c "import vantok; print(vantok.read_im('${im}'))"
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  # the example: one chunk of two triangles over four vertices, two bones
  if(NOT status EQUAL 0 OR NOT output MATCHES "^Mesh\\('[^']*${name}.im', chunks=1, vertices=4, triangles=2, bones=2")
    message(FATAL_ERROR "the installed package read '${im}' as:\n${output}")
  endif()
endif()
