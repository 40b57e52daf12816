include(${CMAKE_CURRENT_LIST_DIR}/sanitizers.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/i686_arithmetic.cmake)

# Every target of ours builds as C++20 with warnings as errors; set per target so
# that third-party code and the toolchain's own checks keep their flags. Natively
# it is also sanitized as ZELVIS_SANITIZE asks; for i686 Windows it computes
# with SSE2.
function(zelvis_strict_target target)
  target_compile_features(${target} PRIVATE cxx_std_20)
  set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror)
  zelvis_sanitize(${target})
  zelvis_i686_arithmetic(${target})
endfunction()
