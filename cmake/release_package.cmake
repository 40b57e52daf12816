# The release for Windows users (`cpack` in a Windows build folder): a zip of the
# plug-in and its picture for the media player's Plugins folder, our player and a
# read-me; and the setup program, which finds the player and installs the plug-in
# and its picture there (installer/, compiled by makensis from the nsis package).

include(${CMAKE_CURRENT_LIST_DIR}/reproducible.cmake)
foreach(target vis_zel zelplay zelplay_audio kissfft)
  zelvis_reproducible(${target})
endforeach()

install(TARGETS vis_zel zelplay RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/assets/vis_zel.bmp DESTINATION .)
# The read-me names the version it comes with.
configure_file(${PROJECT_SOURCE_DIR}/docs/README-windows.txt.in ${PROJECT_BINARY_DIR}/README.txt @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
# zelplay carries kissfft and CLI11, whose licences ask for their notices to come
# with it.
install(FILES ${PROJECT_SOURCE_DIR}/docs/NOTICES.txt DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(release_arch win32)
  set(CPACK_ZELVIS_NSIS_TARGET x86-unicode)
  set(CPACK_ZELVIS_SETUP_NAME zelvis-${PROJECT_VERSION}-setup)
else()
  # Only for the tests on machines that run no 32-bit programs: users get the
  # 32-bit setup program, for the 32-bit player.
  set(release_arch win64)
  set(CPACK_ZELVIS_NSIS_TARGET amd64-unicode)
  set(CPACK_ZELVIS_SETUP_NAME zelvis-${PROJECT_VERSION}-win64-setup)
endif()
# The zip comes from our own script, which makes the same bytes from every build of
# the same commit (release_zip.cmake says why); the setup program from CPack's NSIS.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CPACK_GENERATOR External)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/release_zip.cmake)
set(CPACK_ZELVIS_PYTHON ${Python3_EXECUTABLE})
set(CPACK_ZELVIS_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PACKAGE_NAME zelvis)
set(CPACK_PACKAGE_VENDOR ${ZELVIS_AUTHORS})
set(CPACK_PACKAGE_FILE_NAME zelvis-${PROJECT_VERSION}-${release_arch})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/release)

find_program(ZELVIS_MAKENSIS makensis)
if(ZELVIS_MAKENSIS)
  list(APPEND CPACK_GENERATOR NSIS)
  set(CPACK_NSIS_EXECUTABLE ${ZELVIS_MAKENSIS})
  # CPack's NSIS generator takes NSIS.template.in from here instead of its own.
  set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/installer)
  set(CPACK_ZELVIS_INSTALLER_DIR ${PROJECT_SOURCE_DIR}/installer)
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/installer/cpack_names.cmake)
else()
  message(WARNING "makensis not found: cpack makes the zip without the setup program "
                  "(apt-get install nsis)")
endif()
include(CPack)
