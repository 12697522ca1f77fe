# qm_embed_file(target file symbol [producer-target]): a static library holding the bytes of
# `file` as `extern "C" const unsigned char symbol[]` with `symbol_size`, assembled with .incbin
# so that large files cost no compile time. `file` may be a generator expression (a target's file);
# it is copied next to the assembly first so the object is rebuilt whenever the file changes.
function(qm_embed_file target file symbol)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/${target}.bin)
  set(asm ${CMAKE_CURRENT_BINARY_DIR}/${target}.S)
  add_custom_command(OUTPUT ${copy}
    COMMAND ${CMAKE_COMMAND} -E copy ${file} ${copy}
    DEPENDS ${file} ${ARGN}
    VERBATIM)
  file(WRITE ${asm}
"    .section .rodata
    .global ${symbol}
    .global ${symbol}_size
    .balign 16
${symbol}:
    .incbin \"${copy}\"
${symbol}_end:
    .byte 0
    .balign 8
${symbol}_size:
    .quad ${symbol}_end - ${symbol}
    .section .note.GNU-stack,\"\",@progbits
")
  set_source_files_properties(${asm} PROPERTIES OBJECT_DEPENDS ${copy})
  add_library(${target} STATIC ${asm} ${copy})
endfunction()
