# Shared body of the two MinGW-w64 toolchain files. It refuses to guess: a missing
# cross compiler stops the configure step with the package that provides it.
macro(zelvis_mingw_toolchain triplet processor)
  set(CMAKE_SYSTEM_NAME Windows)
  set(CMAKE_SYSTEM_PROCESSOR ${processor})
  foreach(tool gcc g++ windres objdump)
    find_program(ZELVIS_${triplet}_${tool} NAMES ${triplet}-${tool}-posix ${triplet}-${tool}
                 NO_CACHE)
    if(NOT ZELVIS_${triplet}_${tool})
      message(FATAL_ERROR "${triplet}-${tool} not found: install the MinGW-w64 cross toolchain "
                          "(apt-get install g++-mingw-w64 binutils-mingw-w64)")
    endif()
  endforeach()
  set(CMAKE_C_COMPILER ${ZELVIS_${triplet}_gcc})
  set(CMAKE_CXX_COMPILER ${ZELVIS_${triplet}_g++})
  set(CMAKE_RC_COMPILER ${ZELVIS_${triplet}_windres})
  set(CMAKE_OBJDUMP ${ZELVIS_${triplet}_objdump})
  set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
endmacro()
