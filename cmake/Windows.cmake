# Windows builds (mingw-w64 cross compilers, see cmake/toolchains): the
# platform parts that the portable CMake files leave out. Included at the end
# of the top-level CMakeLists.txt, when every target exists.
if(NOT WIN32)
  return()
endif()

set(_trs_win_src ${PROJECT_SOURCE_DIR}/source)

# Widget layer: the Win32 window, GetTickCount timing, bitmaps as resources.
if(TARGET trs_toolkit)
  get_target_property(_sources trs_toolkit SOURCES)
  list(REMOVE_ITEM _sources platformwindow.cpp idleclock.cpp)
  list(APPEND _sources
    ${_trs_win_src}/toolkit/win32/platformwindow_win32.cpp
    ${_trs_win_src}/toolkit/win32/idleclock_win32.cpp
    ${_trs_win_src}/toolkit/win32/win32window.cpp)
  set_property(TARGET trs_toolkit PROPERTY SOURCES ${_sources})
  target_link_libraries(trs_toolkit PUBLIC ole32 gdi32 user32)
endif()
if(TARGET trs_resources)
  # The bitmaps come from the module's own BITMAP resources; every module
  # that links the widget layer gets resources.rc compiled in.
  set_property(TARGET trs_resources PROPERTY SOURCES ${_trs_win_src}/toolkit/win32/win32bitmaps.cpp)
  target_sources(trs_resources INTERFACE ${PROJECT_SOURCE_DIR}/resources/resources.rc)
  # windres looks for the bitmaps named in resources.rc on its include path.
  target_include_directories(trs_resources INTERFACE
    $<$<COMPILE_LANGUAGE:RC>:${PROJECT_SOURCE_DIR}/resources>)
endif()
