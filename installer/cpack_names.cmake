# Read by cpack for each package it makes. The setup program is named for what it
# is rather than for the build it comes from, and holds the files themselves, not
# the zip's top folder.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_ZELVIS_SETUP_NAME})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
