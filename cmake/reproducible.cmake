# What we ship comes out bit for bit the same from any build of the same commit,
# wherever and whenever it runs: the compiler records no build folder (the file
# names of assertions and debug information), and the linker leaves the PE header's
# time stamp 0 instead of the time of the link.
function(zelvis_reproducible target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>
    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=.>)
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "STATIC_LIBRARY")
    target_link_options(${target} PRIVATE LINKER:--no-insert-timestamp)
  endif()
endfunction()
