# Read by cpack for each package it makes. The setup program is named for what it
# is rather than for the build it comes from.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_ZELVIS_SETUP_NAME})
endif()
