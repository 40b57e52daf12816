# AddressSanitizer and UndefinedBehaviorSanitizer for our own native targets. The
# native preset turns ZELVIS_SANITIZE on, so every unit test runs sanitized; the
# flags go on each of our targets (through zelvis_strict_target), never on the
# toolchain's global flags, so third-party code and the Windows builds keep theirs.

option(ZELVIS_SANITIZE "Build our native targets with AddressSanitizer and UBSan" OFF)

set(zelvis_sanitizer_compile_flags
  -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
set(zelvis_sanitizer_link_flags -fsanitize=address,undefined)

# Runtime options for every sanitized test. LeakSanitizer stays on for our code;
# the GL driver's own leaks at exit are suppressed by tests/lsan.supp.
set(ZELVIS_SANITIZER_ENVIRONMENT
  "ASAN_OPTIONS=print_stacktrace=1:halt_on_error=1:detect_leaks=1"
  "LSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

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
