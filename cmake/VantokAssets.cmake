# VantokAssets: converts interchange files (and models, through vantok-import) as part of a
# CMake build.
#
#   include(VantokAssets)        # or find_package(Vantok) on an installed copy
#   vantok_add_assets(TARGET name
#                     SOURCES a.xml b.xml ...
#                     OUTPUT_DIR dir
#                     [IMPORT_FROM model.fbx ...]
#                     [OPTIONS -warnings false ...]
#                     [CONTACT_SHEET sheet.png])
#
# Every source becomes one custom command, so the build tool converts them in parallel and
# only the ones whose source (or converter) changed. Source `dir/a.xml` gives the folder
# `OUTPUT_DIR/a/` with the .im file `a.im`, its texture descriptors and the .kin files; the
# converter runs in OUTPUT_DIR, so the texture references in the .im read `a/<image>.texture`.
# `OUTPUT_DIR/a.log` holds the converter's last output and `OUTPUT_DIR/a.stamp` marks the
# folder as current. A model listed in IMPORT_FROM is first written as `OUTPUT_DIR/<name>.xml`
# by `vantok-import MODEL -o OUT.xml`, then converted the same way. A failed conversion fails
# the build with that source's log and leaves the folder of its last good conversion as it was.
#
# With CONTACT_SHEET, `vantok-view --contact-sheet` draws every converted asset of the target
# into that PNG (relative to the binary folder) once its conversions are done, and again when
# one of them changes; it needs Debian's chromium.
#
# The converter is the `VantokMeshImporter` target when the including project has one, else the
# cache variable VANTOK_CONVERTER (found next to this module's installed copy or on the PATH).
# The importer is the `vantok-import` target, else VANTOK_IMPORT (found next to the converter);
# the viewer the `vantok-view` target, else VANTOK_VIEW (found next to the converter).

include_guard(GLOBAL)

set(_vantok_assets_step "${CMAKE_CURRENT_LIST_DIR}/VantokAssetStep.cmake")
# Installed as <prefix>/share/vantok/cmake: the programs are in <prefix>/bin.
get_filename_component(_vantok_assets_prefix_bin "${CMAKE_CURRENT_LIST_DIR}/../../../bin"
                       ABSOLUTE)

# _vantok_assets_program(<out-command> <out-depends> <target> <cache-var> <program> <hints...>)
# Resolves one program: the target when it exists, else the cache variable, else a search.
function(_vantok_assets_program out_command out_depends target cache_var program)
  if(TARGET ${target} AND NOT ${cache_var})
    set(${out_command} "$<TARGET_FILE:${target}>" PARENT_SCOPE)
    set(${out_depends} ${target} PARENT_SCOPE)
    return()
  endif()
  find_program(${cache_var} ${program} HINTS ${ARGN}
               DOC "Path of ${program} for vantok_add_assets")
  if(NOT ${cache_var})
    message(FATAL_ERROR "vantok_add_assets: ${program} not found; set ${cache_var} to its path")
  endif()
  set(${out_command} "${${cache_var}}" PARENT_SCOPE)
  set(${out_depends} "${${cache_var}}" PARENT_SCOPE)
endfunction()

# _vantok_add_contact_sheet(<png> <out_dir> <converter> <stamps-var> <folders...>): the command
# drawing the contact sheet of the folders after their conversions; adds the PNG to the stamps.
function(_vantok_add_contact_sheet png out_dir converter stamps_var)
  get_filename_component(png "${png}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  get_filename_component(converter_dir "${converter}" DIRECTORY)
  if(converter_dir MATCHES "^\\$<")
    set(converter_dir "")
  endif()
  _vantok_assets_program(viewer viewer_depends vantok-view VANTOK_VIEW vantok-view
                         ${converter_dir} "${_vantok_assets_prefix_bin}")
  get_filename_component(png_name "${png}" NAME)
  add_custom_command(
    OUTPUT "${png}"
    COMMAND ${viewer} --contact-sheet "${png}" ${ARGN} --cache "${out_dir}/.view-cache"
    DEPENDS ${${stamps_var}} ${viewer_depends}
    COMMENT "Drawing the contact sheet ${png_name}"
    VERBATIM)
  set(${stamps_var} ${${stamps_var}} "${png}" PARENT_SCOPE)
endfunction()

function(vantok_add_assets)
  cmake_parse_arguments(A "" "TARGET;OUTPUT_DIR;CONTACT_SHEET" "SOURCES;IMPORT_FROM;OPTIONS"
                        ${ARGN})
  if(A_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "vantok_add_assets: unknown arguments: ${A_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT A_TARGET OR NOT A_OUTPUT_DIR)
    message(FATAL_ERROR "vantok_add_assets: TARGET and OUTPUT_DIR are required")
  endif()
  if(NOT A_SOURCES AND NOT A_IMPORT_FROM)
    message(FATAL_ERROR "vantok_add_assets(${A_TARGET}): no SOURCES and no IMPORT_FROM")
  endif()
  get_filename_component(out_dir "${A_OUTPUT_DIR}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")

  _vantok_assets_program(converter converter_depends VantokMeshImporter VANTOK_CONVERTER
                         VantokMeshImporter "${_vantok_assets_prefix_bin}")
  if(A_IMPORT_FROM)
    get_filename_component(converter_dir "${converter}" DIRECTORY)
    if(converter_dir MATCHES "^\\$<")  # a target: look beside nothing, the target decides
      set(converter_dir "")
    endif()
    _vantok_assets_program(importer importer_depends vantok-import VANTOK_IMPORT vantok-import
                           ${converter_dir} "${_vantok_assets_prefix_bin}")
  endif()

  # One name per folder: two sources called a.xml (or a.xml and a.fbx) would share OUTPUT_DIR/a.
  string(MD5 dir_key "${out_dir}")
  get_property(taken GLOBAL PROPERTY _VANTOK_ASSET_NAMES_${dir_key})
  list(JOIN A_OPTIONS "$<SEMICOLON>" options)

  set(stamps "")
  set(folders "")
  foreach(kind SOURCES IMPORT_FROM)
    foreach(source IN LISTS A_${kind})
      get_filename_component(source "${source}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
      get_filename_component(name "${source}" NAME_WLE)
      get_filename_component(file_name "${source}" NAME)
      if(name STREQUAL "")
        message(FATAL_ERROR "vantok_add_assets(${A_TARGET}): no file name in '${source}'")
      endif()
      string(TOLOWER "${name}" key)  # folders differing in case clash on Windows and macOS
      list(FIND taken "${key}" at)
      if(at GREATER -1)
        message(FATAL_ERROR "vantok_add_assets(${A_TARGET}): two sources would convert to "
                            "'${out_dir}/${name}'; the second is '${source}'")
      endif()
      list(APPEND taken "${key}")

      set(command ${CMAKE_COMMAND} "-DCONVERTER=${converter}" "-DSOURCE=${source}"
                  "-DOUTPUT_DIR=${out_dir}" "-DNAME=${name}" "-DOPTIONS=${options}")
      set(depends "${source}" ${converter_depends} "${_vantok_assets_step}")
      set(comment "Converting ${file_name}")
      if(kind STREQUAL "IMPORT_FROM")
        list(APPEND command "-DIMPORTER=${importer}")
        list(APPEND depends ${importer_depends})
        set(comment "Importing and converting ${file_name}")
      endif()
      add_custom_command(
        OUTPUT "${out_dir}/${name}.stamp"
        BYPRODUCTS "${out_dir}/${name}.log"
        COMMAND ${command} -P "${_vantok_assets_step}"
        DEPENDS ${depends}
        COMMENT "${comment}"
        VERBATIM)
      list(APPEND stamps "${out_dir}/${name}.stamp")
      list(APPEND folders "${out_dir}/${name}")
    endforeach()
  endforeach()
  set_property(GLOBAL PROPERTY _VANTOK_ASSET_NAMES_${dir_key} "${taken}")

  if(A_CONTACT_SHEET)
    _vantok_add_contact_sheet("${A_CONTACT_SHEET}" "${out_dir}" "${converter}" stamps ${folders})
  endif()
  add_custom_target(${A_TARGET} ALL DEPENDS ${stamps})
endfunction()
