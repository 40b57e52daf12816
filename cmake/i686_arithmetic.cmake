# NOTE: i686 code computes with the x87 unit unless told otherwise: intermediate
# results stay in 80-bit registers, and how they round depends on the precision
# control of the process that loads us (MinGW programs run with a 64-bit
# mantissa, MSVC ones with 53 bits). The same DLL would then compute different
# numbers in different players. Scalar SSE2 rounds every float and double as the
# source writes it, as the x86_64 build does. Hosts and user32 promise only 4-byte
# stack alignment when they call us, so functions realign where they need more.
# The DLL therefore needs a processor with SSE2.
function(zelvis_i686_arithmetic target)
  if(CMAKE_SYSTEM_NAME STREQUAL "Windows" AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_compile_options(${target} PRIVATE -msse2 -mfpmath=sse -mincoming-stack-boundary=2)
  endif()
endfunction()
