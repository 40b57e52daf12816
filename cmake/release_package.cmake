# The release zip for Windows users (`cpack` in a Windows build folder): the plug-in
# and its picture for the media player's Plugins folder, our player, and a read-me.

install(TARGETS vis_zel zelplay RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/assets/vis_zel.bmp DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/docs/README-windows.txt DESTINATION . RENAME README.txt)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(release_arch win32)
else()
  set(release_arch win64)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME zelvis)
set(CPACK_PACKAGE_FILE_NAME zelvis-${PROJECT_VERSION}-${release_arch})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/release)
include(CPack)
