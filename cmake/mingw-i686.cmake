# 32-bit Windows: Setup.exe as it ships.
set(MO_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
