# trs_resources: the editor's bitmaps. On Windows they are the module's own
# BITMAP resources (every module that links the widget layer gets
# resources.rc compiled in); elsewhere the bitmaps of resources.rc are
# compiled into the library as byte arrays, regenerated whenever a bitmap or
# the list changes.
set(TRS_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(TRS_BITMAPS
  ${TRS_RESOURCE_DIR}/background.bmp
  ${TRS_RESOURCE_DIR}/slider_body.bmp
  ${TRS_RESOURCE_DIR}/slider_handle.bmp
  ${TRS_RESOURCE_DIR}/filter_button.bmp
  ${TRS_RESOURCE_DIR}/unused.bmp
  ${TRS_RESOURCE_DIR}/knob_strip.bmp)
if(WIN32)
  add_library(trs_resources STATIC ${PROJECT_SOURCE_DIR}/source/toolkit/win32/win32bitmaps.cpp)
  target_sources(trs_resources INTERFACE ${TRS_RESOURCE_DIR}/resources.rc)
  # windres looks for the bitmaps named in resources.rc on its include path.
  target_include_directories(trs_resources INTERFACE $<$<COMPILE_LANGUAGE:RC>:${TRS_RESOURCE_DIR}>)
else()
  set(TRS_BITMAP_SOURCE ${CMAKE_BINARY_DIR}/generated/embedded_bitmaps.cpp)
  add_custom_command(
    OUTPUT ${TRS_BITMAP_SOURCE}
    COMMAND ${CMAKE_COMMAND} -DRC=${TRS_RESOURCE_DIR}/resources.rc -DOUT=${TRS_BITMAP_SOURCE}
            -P ${TRS_RESOURCE_DIR}/embed_bitmaps.cmake
    DEPENDS ${TRS_RESOURCE_DIR}/resources.rc ${TRS_RESOURCE_DIR}/embed_bitmaps.cmake ${TRS_BITMAPS}
    COMMENT "Embedding the editor bitmaps"
    VERBATIM)
  add_library(trs_resources STATIC ${TRS_BITMAP_SOURCE})
endif()
target_include_directories(trs_resources PUBLIC ${PROJECT_SOURCE_DIR}/source)
set_target_properties(trs_resources PROPERTIES
  POSITION_INDEPENDENT_CODE ON
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)
