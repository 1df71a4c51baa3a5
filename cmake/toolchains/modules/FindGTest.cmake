# GoogleTest for the cross builds, compiled from the sources Debian ships in
# /usr/src/googletest (there is no packaged mingw build of it). Provides the
# same GTest::gtest and GTest::gtest_main targets as the native package.
if(TARGET GTest::gtest_main)
  set(GTest_FOUND TRUE)
  set(GTEST_FOUND TRUE)
  return()
endif()

set(TRS_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build for the target")
if(NOT EXISTS ${TRS_GTEST_SOURCE_DIR}/CMakeLists.txt)
  set(GTest_FOUND FALSE)
  if(GTest_FIND_REQUIRED)
    message(FATAL_ERROR "GoogleTest sources not found in ${TRS_GTEST_SOURCE_DIR} (Debian package googletest)")
  endif()
  return()
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${TRS_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(lib gtest gtest_main)
  # Third-party code: its own warnings are not ours to fix.
  target_compile_options(${lib} PRIVATE -w)
  if(NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()
set(GTest_FOUND TRUE)
set(GTEST_FOUND TRUE)
