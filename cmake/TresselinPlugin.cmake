# trs_add_plugin(<target> OUTPUT_NAME <name> SOURCES <src>... [LIBS <lib>...])
#
# Builds a loadable plug-in module <name>.so or .dll (no "lib" prefix) from the given
# sources, the shell's entry point and trs_shell. The module exports exactly
# VSTPluginMain and main; everything else stays hidden.
include_guard(GLOBAL)

function(trs_add_plugin target)
  cmake_parse_arguments(PLUG "" "OUTPUT_NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT PLUG_OUTPUT_NAME)
    set(PLUG_OUTPUT_NAME ${target})
  endif()
  if(NOT PLUG_SOURCES)
    message(FATAL_ERROR "trs_add_plugin(${target}): no SOURCES")
  endif()

  add_library(${target} MODULE ${PLUG_SOURCES} $<TARGET_OBJECTS:trs_shell_entry>)
  target_link_libraries(${target} PRIVATE ${PLUG_LIBS} trs_shell)
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    OUTPUT_NAME ${PLUG_OUTPUT_NAME}
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    C_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)

  if(NOT WIN32 AND NOT APPLE)
    set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}-exports.map)
    file(WRITE ${map} "{\n  global:\n    VSTPluginMain;\n    main;\n  local:\n    *;\n};\n")
    target_link_options(${target} PRIVATE
      "LINKER:--version-script=${map}"
      "LINKER:--no-undefined"
      "LINKER:-z,defs")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
  elseif(WIN32)
    # The module-definition file gives the entry point its second name.
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/source/shell/exports.def)
  endif()
endfunction()
