# Install rules and the release archive for the plug-in and tresselin-render.
#
#   cmake --install build                 plug-in into <prefix>/lib/vst, the LV2 bundle into
#                                         <prefix>/lib/lv2, tool into <prefix>/bin
#   -DTRESSELIN_USER_INSTALL=ON, or a prefix under $HOME:
#                                         plug-in into ~/.vst and the bundle into ~/.lv2,
#                                         where Linux hosts look per user
#   cmake --build build --target dist     build/dist/: the Linux archive, the Windows zip (built
#                                         by the cross-build trees), the .deb and SHA256SUMS;
#                                         dist-linux, dist-windows, dist-deb make one each
#
# Also runs as a script (cmake -P) to assemble that archive.

if(CMAKE_SCRIPT_MODE_FILE)
  # Script mode: STAGE, NAME, FILES (a list of SOURCE=DESTINATION pairs, the
  # destination relative to the archive's folder), OUT, FORMAT.
  file(REMOVE_RECURSE "${STAGE}/${NAME}")
  foreach(pair ${FILES})
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 from)
    list(GET pair 1 to)
    if(NOT EXISTS "${from}")
      message(FATAL_ERROR "dist: ${from} is missing")
    endif()
    get_filename_component(dir "${STAGE}/${NAME}/${to}" DIRECTORY)
    get_filename_component(name "${to}" NAME)
    file(MAKE_DIRECTORY "${dir}")
    if(IS_DIRECTORY "${from}")
      file(COPY "${from}/" DESTINATION "${dir}/${name}")
    else()
      configure_file("${from}" "${dir}/${name}" COPYONLY)
    endif()
  endforeach()
  file(REMOVE "${OUT}")
  if(FORMAT STREQUAL "zip")
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf "${OUT}.part" --format=zip "${NAME}"
                    WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE failed)
  else()
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar czf "${OUT}.part" "${NAME}"
                    WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE failed)
  endif()
  if(failed)
    file(REMOVE "${OUT}.part")
    message(FATAL_ERROR "dist: could not write ${OUT}")
  endif()
  file(RENAME "${OUT}.part" "${OUT}")
  message(STATUS "dist: ${OUT}")
  return()
endif()

include_guard(GLOBAL)

set(TRESSELIN_VERSION ${PROJECT_VERSION} CACHE INTERNAL "")
option(TRESSELIN_USER_INSTALL "Install the plug-in into ~/.vst rather than <prefix>/lib/vst" OFF)

set(_trs_home "$ENV{HOME}")
set(_trs_user_prefix OFF)
if(_trs_home AND NOT _trs_home STREQUAL "/")
  file(TO_CMAKE_PATH "${_trs_home}" _trs_home)
  string(FIND "${CMAKE_INSTALL_PREFIX}/" "${_trs_home}/" _trs_at)
  if(_trs_at EQUAL 0)
    set(_trs_user_prefix ON)
  endif()
endif()

# Cached so that the rules below, run from the top directory, see them too.
if(TRESSELIN_USER_INSTALL OR _trs_user_prefix)
  set(TRESSELIN_VST_DIR "${_trs_home}/.vst" CACHE INTERNAL "")
  set(TRESSELIN_LV2_DIR "${_trs_home}/.lv2" CACHE INTERNAL "")
  set(TRESSELIN_VST_INSTALLED_PATH "${TRESSELIN_VST_DIR}/Tresselin${CMAKE_SHARED_MODULE_SUFFIX}" CACHE INTERNAL "")
else()
  set(TRESSELIN_VST_DIR "lib/vst" CACHE INTERNAL "")
  set(TRESSELIN_LV2_DIR "lib/lv2" CACHE INTERNAL "")
  set(TRESSELIN_VST_INSTALLED_PATH "${CMAKE_INSTALL_PREFIX}/lib/vst/Tresselin${CMAKE_SHARED_MODULE_SUFFIX}"
      CACHE INTERNAL "")
endif()

function(trs_packaging_rules)
  if(NOT TARGET Tresselin)
    message(WARNING "Packaging: no Tresselin target, nothing to install")
    return()
  endif()
  install(TARGETS Tresselin LIBRARY DESTINATION "${TRESSELIN_VST_DIR}" RUNTIME DESTINATION "${TRESSELIN_VST_DIR}")
  set(lv2files "")
  set(lv2deb "")
  if(TARGET tresselin_lv2)
    install(DIRECTORY "${TRESSELIN_LV2_BUNDLE}" DESTINATION "${TRESSELIN_LV2_DIR}" USE_SOURCE_PERMISSIONS)
    set(lv2files ";${TRESSELIN_LV2_BUNDLE}=lib/lv2/Tresselin.lv2")
    set(lv2deb ${TRESSELIN_LV2_BUNDLE})
  endif()
  if(NOT TARGET tresselin-render)
    return()
  endif()
  install(TARGETS tresselin-render RUNTIME DESTINATION bin)

  if(WIN32)
    return()  # releases are packed by the Linux build, which drives the cross builds
  endif()

  # This runs deferred in the top directory's scope, which is another
  # project's when the tree is built inside the fuzz build.
  get_filename_component(root "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/.." ABSOLUTE)
  set(version ${TRESSELIN_VERSION})
  set(distdir ${CMAKE_BINARY_DIR}/dist)
  set(notice ${root}/source/toolkit/fonts/LICENSE-LiberationSans.txt)
  set(pack ${CMAKE_COMMAND} -DSTAGE=${distdir}/stage)
  set(packer -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE})  # after every -D

  set(linux tresselin-${version}-linux-x86_64)
  set(readme "${CMAKE_BINARY_DIR}/dist-readme/README.txt")
  configure_file(${root}/resources/dist/README-linux.txt.in ${readme} @ONLY)
  add_custom_target(dist-linux
    COMMAND ${pack} -DNAME=${linux} -DOUT=${distdir}/${linux}.tar.gz -DFORMAT=tar.gz
      "-DFILES=$<TARGET_FILE:Tresselin>=lib/vst/Tresselin.so;$<TARGET_FILE:tresselin-render>=bin/tresselin-render;${readme}=README.txt;${notice}=NOTICES/LICENSE-LiberationSans.txt${lv2files}"
      ${packer}
    DEPENDS Tresselin tresselin-render
    COMMENT "Packing ${linux}.tar.gz"
    VERBATIM)

  add_custom_target(dist-deb
    COMMAND bash ${root}/cmake/make-deb.sh ${version} $<TARGET_FILE:Tresselin>
      $<TARGET_FILE:tresselin-render> ${notice} ${distdir}/tresselin_${version}_amd64.deb ${lv2deb}
    DEPENDS Tresselin tresselin-render
    COMMENT "Packing tresselin_${version}_amd64.deb"
    VERBATIM)

  if(lv2deb)
    add_dependencies(dist-linux tresselin_lv2)
    add_dependencies(dist-deb tresselin_lv2)
  endif()

  # The Windows DLLs come from the two cross-build trees, configured and
  # brought up to date here (scripts/setup-windows-deps.sh installs the
  # compilers).
  set(windows tresselin-${version}-windows)
  set(win32dll ${root}/build-win32/source/effect/Tresselin.dll)
  set(win64dll ${root}/build-win64/source/effect/Tresselin.dll)
  add_custom_target(dist-windows
    COMMAND ${CMAKE_COMMAND} --preset win32
    COMMAND ${CMAKE_COMMAND} --build --preset win32 --target Tresselin
    COMMAND ${CMAKE_COMMAND} --preset win64
    COMMAND ${CMAKE_COMMAND} --build --preset win64 --target Tresselin
    COMMAND ${pack} -DNAME=${windows} -DOUT=${distdir}/${windows}.zip -DFORMAT=zip
      "-DFILES=${win32dll}=x86/Tresselin.dll;${win64dll}=x64/Tresselin.dll;${root}/resources/dist/README-windows.txt=README.txt;${notice}=NOTICES/LICENSE-LiberationSans.txt"
      ${packer}
    WORKING_DIRECTORY ${root}
    COMMENT "Packing ${windows}.zip"
    VERBATIM)

  add_custom_target(dist
    COMMAND sha256sum ${linux}.tar.gz ${windows}.zip tresselin_${version}_amd64.deb > SHA256SUMS
    WORKING_DIRECTORY ${distdir}
    COMMENT "dist: ${distdir}/SHA256SUMS"
    VERBATIM)
  add_dependencies(dist dist-linux dist-windows dist-deb)
endfunction()

# Every target exists only once the whole tree is read, whichever file
# includes this one first.
if(CMAKE_VERSION VERSION_LESS 3.19)
  trs_packaging_rules()
else()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL trs_packaging_rules)
endif()
