# Aligned vector moves and the stack of Windows (docs/windows.md, "AVX2 and the stack"): an
# aligned AVX move to a vector spilled to the stack can fault there. Every C and C++ file of
# the project is assembled with unaligned moves instead, and once the DLLs are linked,
# tools/vector-moves/check.sh disassembles them and fails the build if an aligned 32- or
# 64-byte move to or from the stack is left in them. Included before any target is made.
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-Wa,-muse-unaligned-vector-move>)

# The check of the given targets' binaries, part of every build. It first has to find the
# aligned move of tools/vector-moves/AlignedSpill.S, assembled as written, so a check that
# passes is one that can fail.
function(quovent_check_vector_moves)
  set(source_dir ${CMAKE_SOURCE_DIR}/tools/vector-moves)
  set(work_dir ${CMAKE_BINARY_DIR}/vector-moves)
  file(MAKE_DIRECTORY ${work_dir})
  set(probe ${work_dir}/AlignedSpill.obj)
  add_custom_command(OUTPUT ${probe}
    COMMAND ${CMAKE_CXX_COMPILER} -c ${source_dir}/AlignedSpill.S -o ${probe}
    DEPENDS ${source_dir}/AlignedSpill.S
    VERBATIM)
  set(binaries)
  foreach(target IN LISTS ARGN)
    list(APPEND binaries $<TARGET_FILE:${target}>)
  endforeach()
  set(stamp ${work_dir}/checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND bash ${source_dir}/check.sh ${CMAKE_OBJDUMP} --faulty ${probe} ${binaries}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${ARGN} ${probe} ${source_dir}/check.sh
    COMMENT "Checking the DLLs for aligned vector moves on the stack"
    VERBATIM)
  add_custom_target(quovent_vector_moves ALL DEPENDS ${stamp})
endfunction()
