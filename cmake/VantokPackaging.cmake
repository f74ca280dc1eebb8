# VantokPackaging: install rules and CPack, included at the end of the top-level CMakeLists.
#
# Linux (`cmake --install`, and the .deb CPack makes): the programs in bin/, libpmtrim.so in
# lib/, pmtrim.h in include/, the Python package vantok (when built) in
# lib/python3/dist-packages/, the asset-build module (with a VantokConfig.cmake, so
# find_package(Vantok) finds it) in share/vantok/cmake/ and the README in
# share/doc/vantok-tools/, vantok-view's page files with its three.js in share/vantok/view/.
# The .deb's run-time dependencies come from CPack's shared-library
# scan (dpkg-shlibdeps), so vantok-import brings its assimp library.
# Windows (the mingw builds): a flat .zip with VantokMeshImporter.exe, pmtrim.dll, pmtrim.h,
# pmtrim.def (the .def the DLL was linked with, renamed) and the README.
# Optional programs are installed when their targets exist. `vantok_package_files` builds every
# installed target; the install step itself builds nothing (scripts/package.sh builds first).

include(GNUInstallDirs)

set(VANTOK_PACKAGE_VERSION "1.0.0")
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(vantok_programs "")
foreach(program VantokMeshImporter vantok-import vantok-dump vantok-view)
  if(TARGET ${program})
    list(APPEND vantok_programs ${program})
  endif()
endforeach()

if(WIN32)
  install(TARGETS ${vantok_programs} RUNTIME DESTINATION .)
  # The import library is left out: hosts load the DLL by name, and the .def rebuilds one.
  install(TARGETS pmtrim RUNTIME DESTINATION . ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)
  install(FILES ${CMAKE_SOURCE_DIR}/pmtrim/pmtrim.h ${CMAKE_SOURCE_DIR}/README.md
          DESTINATION .)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    install(FILES ${CMAKE_SOURCE_DIR}/pmtrim/pmtrim_i686.def DESTINATION . RENAME pmtrim.def)
  else()
    install(FILES ${CMAKE_SOURCE_DIR}/pmtrim/pmtrim_x86_64.def DESTINATION . RENAME pmtrim.def)
  endif()
else()
  install(TARGETS ${vantok_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(TARGETS pmtrim LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/pmtrim/pmtrim.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

  set(module_dir ${CMAKE_INSTALL_DATADIR}/vantok/cmake)
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/packaging/VantokConfig.cmake CONTENT
       "# find_package(Vantok): the asset-build module; the programs are in <prefix>/bin.\n\
include(\"\${CMAKE_CURRENT_LIST_DIR}/VantokAssets.cmake\")\n")
  install(FILES ${CMAKE_SOURCE_DIR}/cmake/VantokAssets.cmake
                ${CMAKE_SOURCE_DIR}/cmake/VantokAssetStep.cmake
                ${CMAKE_BINARY_DIR}/packaging/VantokConfig.cmake
          DESTINATION ${module_dir})
  install(FILES ${CMAKE_SOURCE_DIR}/README.md
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantok-tools)
  # The Bazel asset rules, for workspaces that load them from the installed package.
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/bazel/
          DESTINATION ${CMAKE_INSTALL_DATADIR}/vantok/bazel
          USE_SOURCE_PERMISSIONS)
  if(TARGET _vantok)
    install(TARGETS _vantok LIBRARY DESTINATION ${VANTOK_PYTHON_INSTALL_DIR})
    install(FILES ${CMAKE_SOURCE_DIR}/tools/python/vantok/__init__.py
                  ${CMAKE_SOURCE_DIR}/tools/python/vantok/_vantok.pyi
                  ${CMAKE_SOURCE_DIR}/tools/python/vantok/py.typed
            DESTINATION ${VANTOK_PYTHON_INSTALL_DIR})
  endif()
  # vantok-view finds its page files and three.js at ../share/vantok/view from its folder.
  if(TARGET vantok-view)
    install(DIRECTORY ${CMAKE_BINARY_DIR}/share/vantok/view
            DESTINATION ${CMAKE_INSTALL_DATADIR}/vantok)
  endif()
endif()

set(vantok_packaged ${vantok_programs} pmtrim)
if(TARGET _vantok)
  list(APPEND vantok_packaged _vantok)
endif()
add_custom_target(vantok_package_files DEPENDS ${vantok_packaged})

# ---------------------------------------------------------------------------------------------
# CPack

set(CPACK_PACKAGE_NAME vantok-tools)
set(CPACK_PACKAGE_VENDOR "Vantok")
set(CPACK_PACKAGE_VERSION ${VANTOK_PACKAGE_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Vantok content-pipeline tools: the interchange-file converter and the pmtrim library")
set(CPACK_PACKAGE_CONTACT "Vantok tools team <tools@vantok.invalid>")
set(CPACK_RESOURCE_FILE_README ${CMAKE_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)  # symbols stay in the build folders

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_PACKAGE_FILE_NAME vantok-tools-${VANTOK_PACKAGE_VERSION}-win32)
  else()
    set(CPACK_PACKAGE_FILE_NAME vantok-tools-${VANTOK_PACKAGE_VERSION}-win64)
  endif()
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "VantokMeshImporter converts XML interchange files into the engine's indexed-mesh,\n\
animation and texture-descriptor files; vantok-import brings models of other formats to the\n\
interchange file; libpmtrim strips progressive-mesh chunks. Includes a CMake module that\n\
converts whole asset folders through the build tool.")
  if(TARGET _vantok)
    # the Python package is built for the system interpreter's version and needs NumPy
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "${VANTOK_PYTHON_RECOMMENDS}")
  endif()
endif()

include(CPack)
