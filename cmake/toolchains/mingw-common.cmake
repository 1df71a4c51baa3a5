# Shared part of the mingw-w64 toolchains; TRS_MINGW_TRIPLE names the target.
set(CMAKE_SYSTEM_NAME Windows)

# The -posix compilers: the plain names are the -win32 variant without std::thread.
set(CMAKE_C_COMPILER ${TRS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TRS_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${TRS_MINGW_TRIPLE}-objdump CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${TRS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# mingw's <cmath> names M_PI only on request in strict C++ mode; glibc's
# does it unasked, and the sources rely on that.
set(CMAKE_CXX_FLAGS_INIT "-D_USE_MATH_DEFINES")

# Everything static: the plug-in and the test programs then need no
# compiler runtime DLLs beside them, only the system's.
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endforeach()

# Programs built here run under Wine, through a wrapper that keeps a prefix
# inside the build tree (see wine-run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${CMAKE_BINARY_DIR}/wineprefix")

# GoogleTest comes from Debian's sources (see modules/FindGTest.cmake), and
# test discovery runs at test time so building never needs Wine.
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/modules)
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# pkg-config would answer with the build machine's libraries.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${TRS_MINGW_TRIPLE}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
