# 32-bit Windows: the plug-in as the design names it (144-byte record).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TRS_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
