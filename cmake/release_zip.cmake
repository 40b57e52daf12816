# The release zip, made by cpack's External generator from the staged release files.
# CPack's own ZIP generator stores the files in the order the file system lists
# them, with the builder's user and group and file modes, so two builds of the same
# commit would differ; release_zip.py writes the same bytes for the same files.
#
# Every entry carries the commit's time: SOURCE_DATE_EPOCH when the environment
# gives it (./zelvis release does), else the time of the source folder's last
# commit, else 1980-01-01, the earliest time a zip entry holds.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch $ENV{SOURCE_DATE_EPOCH})
elseif(EXISTS ${CPACK_ZELVIS_SOURCE_DIR}/.git)
  execute_process(COMMAND git -C ${CPACK_ZELVIS_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  set(epoch 315532800)
endif()

set(zip ${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip)
execute_process(
  COMMAND ${CPACK_ZELVIS_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/release_zip.py
          --mtime ${epoch} --top ${CPACK_PACKAGE_FILE_NAME} ${zip} ${CPACK_TEMPORARY_DIRECTORY}
  COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_EXTERNAL_BUILT_PACKAGES ${zip})
