# The same sources for 64-bit Windows: what the end-to-end tests run under wine64.
include(${CMAKE_CURRENT_LIST_DIR}/mingw_toolchain.cmake)
zelvis_mingw_toolchain(x86_64-w64-mingw32 AMD64)
