# Install rules and the release archive for the plug-in and tresselin-render.
#
#   cmake --install build                 plug-in into <prefix>/lib/vst, tool into <prefix>/bin
#   -DTRESSELIN_USER_INSTALL=ON, or a prefix under $HOME:
#                                         plug-in into ~/.vst, where Linux hosts look per user
#   cmake --build build --target dist     build/dist/tresselin-<version>-<system>-<arch>.tar.gz
#
# Also runs as a script (cmake -P) to assemble that archive.

if(CMAKE_SCRIPT_MODE_FILE)
  # Script mode: STAGE, NAME, PLUGIN, TOOL, README, OUT, FORMAT.
  file(REMOVE_RECURSE "${STAGE}/${NAME}")
  file(MAKE_DIRECTORY "${STAGE}/${NAME}/bin" "${STAGE}/${NAME}/lib/vst")
  file(COPY "${PLUGIN}" DESTINATION "${STAGE}/${NAME}/lib/vst")
  file(COPY "${TOOL}" DESTINATION "${STAGE}/${NAME}/bin")
  file(COPY "${README}" DESTINATION "${STAGE}/${NAME}")
  file(REMOVE "${OUT}")
  if(FORMAT STREQUAL "zip")
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf "${OUT}" --format=zip "${NAME}"
                    WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE failed)
  else()
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar czf "${OUT}" "${NAME}"
                    WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE failed)
  endif()
  if(failed)
    message(FATAL_ERROR "dist: could not write ${OUT}")
  endif()
  message(STATUS "dist: ${OUT}")
  return()
endif()

include_guard(GLOBAL)

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
  set(TRESSELIN_VST_INSTALLED_PATH "${TRESSELIN_VST_DIR}/Tresselin${CMAKE_SHARED_MODULE_SUFFIX}" CACHE INTERNAL "")
else()
  set(TRESSELIN_VST_DIR "lib/vst" CACHE INTERNAL "")
  set(TRESSELIN_VST_INSTALLED_PATH "${CMAKE_INSTALL_PREFIX}/lib/vst/Tresselin${CMAKE_SHARED_MODULE_SUFFIX}"
      CACHE INTERNAL "")
endif()

function(trs_packaging_rules)
  if(NOT TARGET Tresselin)
    message(WARNING "Packaging: no Tresselin target, nothing to install")
    return()
  endif()
  install(TARGETS Tresselin LIBRARY DESTINATION "${TRESSELIN_VST_DIR}" RUNTIME DESTINATION "${TRESSELIN_VST_DIR}")
  if(NOT TARGET tresselin-render)
    return()
  endif()
  install(TARGETS tresselin-render RUNTIME DESTINATION bin)

  string(TOLOWER "${CMAKE_SYSTEM_NAME}" system)
  string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" arch)
  set(name "tresselin-${PROJECT_VERSION}-${system}-${arch}")
  if(WIN32)
    set(format zip)
  else()
    set(format tar.gz)
  endif()
  set(readme "${CMAKE_BINARY_DIR}/dist-readme/README.txt")
  file(WRITE "${readme}"
"Tresselin ${PROJECT_VERSION}
===============

An audio effect plug-in (VST 2.4) that turns the loudness of a stereo input
into synthesis: two envelope followers drive an oscillator, noise and
resonant filters; MIDI notes pull pitch and cutoff.

Contents
  lib/vst/Tresselin${CMAKE_SHARED_MODULE_SUFFIX}   the plug-in
  bin/tresselin-render${CMAKE_EXECUTABLE_SUFFIX}   renders audio files through it from the command line

Installing the plug-in
  Copy lib/vst/Tresselin${CMAKE_SHARED_MODULE_SUFFIX} into a folder your host scans for VST 2.4
  plug-ins: ~/.vst for one user, /usr/lib/vst or /usr/local/lib/vst for all.

Trying it without a host
  bin/tresselin-render --demo                  renders a built-in drum loop
  bin/tresselin-render in.wav -o out.wav --set CutOff=0.3 --note 0.5:A2:1
  bin/tresselin-render --list                  shows the parameters
  bin/tresselin-render --help                  everything else
The tool finds the plug-in in ../lib/vst beside it; --plugin PATH names another.
")
  add_custom_target(dist
    COMMAND ${CMAKE_COMMAND}
      -DSTAGE=${CMAKE_BINARY_DIR}/dist
      -DNAME=${name}
      -DPLUGIN=$<TARGET_FILE:Tresselin>
      -DTOOL=$<TARGET_FILE:tresselin-render>
      -DREADME=${readme}
      -DOUT=${CMAKE_BINARY_DIR}/dist/${name}.${format}
      -DFORMAT=${format}
      -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    DEPENDS Tresselin tresselin-render
    COMMENT "Packing ${name}.${format}"
    VERBATIM)
endfunction()

# Every target exists only once the whole tree is read, whichever file
# includes this one first.
if(CMAKE_VERSION VERSION_LESS 3.19)
  trs_packaging_rules()
else()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL trs_packaging_rules)
endif()
