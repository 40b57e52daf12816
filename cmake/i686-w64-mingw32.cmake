# The deliverable: 32-bit Windows, built with MinGW-w64.
include(${CMAKE_CURRENT_LIST_DIR}/mingw_toolchain.cmake)
zelvis_mingw_toolchain(i686-w64-mingw32 x86)
