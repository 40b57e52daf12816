# Sanitizers for our own native targets: AddressSanitizer with UBSan, which the
# native preset runs every unit test under, or ThreadSanitizer, which the tsan
# preset runs the plug-in's tests under (the ones where threads meet). The flags go
# on each of our targets (through zelvis_strict_target), never on the toolchain's
# global flags, so third-party code and the Windows builds keep theirs.

set(ZELVIS_SANITIZE OFF CACHE STRING "Sanitizers for our native targets: OFF, address or thread")
set_property(CACHE ZELVIS_SANITIZE PROPERTY STRINGS OFF address thread)

if(ZELVIS_SANITIZE STREQUAL "address")
  set(zelvis_sanitizer_compile_flags
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  set(zelvis_sanitizer_link_flags -fsanitize=address,undefined)
  # LeakSanitizer stays on for our code; the GL driver's own leaks at exit are
  # suppressed by tests/lsan.supp.
  # NOTE: GCC 12's sanitizers guess where a library's dynamic thread-local block
  # begins and ends from a header that glibc 2.19 wrote in front of it and Debian
  # 12's glibc does not: a block that the GL driver's libraries get 16 bytes into a
  # page yields a range from near address 0, and the leak check at exit dies
  # scanning it ("Tracer caught signal 11"), now and then, as the heap falls.
  # Without that interception the blocks are heap blocks like any other, reached
  # through the thread's own table of them, and scanned as such.
  set(ZELVIS_SANITIZER_ENVIRONMENT
    "ASAN_OPTIONS=print_stacktrace=1:halt_on_error=1:detect_leaks=1:intercept_tls_get_addr=0"
    "LSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
elseif(ZELVIS_SANITIZE STREQUAL "thread")
  set(zelvis_sanitizer_compile_flags -fsanitize=thread -fno-omit-frame-pointer)
  set(zelvis_sanitizer_link_flags -fsanitize=thread)
  set(ZELVIS_SANITIZER_ENVIRONMENT
    "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp")
  # NOTE: GCC 12's ThreadSanitizer cannot place its shadow memory when the kernel
  # randomises mmap with more than 28 bits (newer kernels default to 32); its
  # programs run with address randomisation off, for discovery and tests alike.
  find_program(ZELVIS_SETARCH setarch REQUIRED)
  set(ZELVIS_SANITIZER_LAUNCHER ${ZELVIS_SETARCH} ${CMAKE_HOST_SYSTEM_PROCESSOR} -R)
elseif(ZELVIS_SANITIZE)
  message(FATAL_ERROR "ZELVIS_SANITIZE must be OFF, address or thread, not '${ZELVIS_SANITIZE}'")
endif()

function(zelvis_sanitize target)
  if(NOT ZELVIS_SANITIZE OR WIN32)
    return()
  endif()
  target_compile_options(${target} PRIVATE ${zelvis_sanitizer_compile_flags})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "STATIC_LIBRARY")
    # Whatever links a sanitized archive needs the sanitizer runtimes.
    target_link_options(${target} INTERFACE ${zelvis_sanitizer_link_flags})
  else()
    target_link_options(${target} PRIVATE ${zelvis_sanitizer_link_flags})
  endif()
  if(type STREQUAL "EXECUTABLE" AND ZELVIS_SANITIZER_LAUNCHER)
    set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR "${ZELVIS_SANITIZER_LAUNCHER}")
  endif()
endfunction()

# Gives the tests of `directory` the sanitizer options. Tests found by
# gtest_discover_tests exist only when ctest runs, as the list <target>_TESTS;
# a file run after the discovered ones sets the options on those lists.
function(zelvis_sanitize_tests directory)
  if(NOT ZELVIS_SANITIZE OR WIN32)
    return()
  endif()
  get_property(binary_dir DIRECTORY ${directory} PROPERTY BINARY_DIR)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  set(script "# Sanitizer options for the tests discovered in this folder.\n")
  string(APPEND script "set(environment [==[${ZELVIS_SANITIZER_ENVIRONMENT}]==])\n")
  foreach(target ${targets})
    string(APPEND script
      "if(DEFINED ${target}_TESTS)\n"
      "  set_tests_properties(\${${target}_TESTS} PROPERTIES ENVIRONMENT \"\${environment}\")\n"
      "endif()\n")
  endforeach()
  set(file ${binary_dir}/sanitizer_environment.cmake)
  file(WRITE ${file} "${script}")
  set_property(DIRECTORY ${directory} APPEND PROPERTY TEST_INCLUDE_FILES ${file})
endfunction()
