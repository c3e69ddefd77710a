# Compiler and linker settings, written once: pellasto_settings for every
# target of this project, pellasto_module_flags for the module and anything
# built the same way (the benchmark's empty module, the faulty PE modules).

# 32-bit x86: SSE2 arithmetic gives the same float results as every other
# build (no x87 excess precision) and never quiets a NaN on a plain copy.
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86|X86|x86_64|AMD64|amd64)$")
  set(PELLASTO_X86_32 ON)
endif()

# Warnings as errors, on 32-bit x86 the SSE2 arithmetic above, and on Windows
# the compiler's runtimes linked in.
add_library(pellasto_settings INTERFACE)
target_compile_options(pellasto_settings INTERFACE -Wall -Wextra -Werror)
if(PELLASTO_X86_32)
  target_compile_options(pellasto_settings INTERFACE -msse2 -mfpmath=sse)
endif()
if(WIN32)
  # Only system DLLs may be imported: the compiler's runtimes go inside, so
  # that the module, the test programs and the host modules run under any
  # Windows loader without the compiler's DLLs beside them.
  target_link_options(pellasto_settings INTERFACE -static-libgcc -static-libstdc++ -static)
endif()

function(pellasto_module_flags target)
  target_link_libraries(${target} PRIVATE pellasto_settings)
  target_compile_options(${target} PRIVATE
    -fno-exceptions -fno-rtti
    # sqrt and friends never set errno here; nothing changes in the results.
    -fno-math-errno
    # GCC's straight-line vectoriser pairs the x and y lanes of the frame math
    # and then spends more shuffles taking them apart than the pairing saves
    # (about 20 instructions of 180 per call in mode 1). Results are the same
    # either way: lane-wise operations in the same order.
    $<$<CXX_COMPILER_ID:GNU>:-fno-tree-slp-vectorize>)
  if(UNIX AND NOT APPLE AND NOT PELLASTO_SANITIZE)
    # (A sanitized module leaves the runtime's symbols to the host program.)
    target_link_options(${target} PRIVATE -Wl,--no-undefined -Wl,-z,now)
  endif()
endfunction()

# -DPELLASTO_SANITIZE=address,undefined (or thread): every target, module
# included, is built with those sanitizers.
set(PELLASTO_SANITIZE "" CACHE STRING "Sanitizers for every target, e.g. address,undefined")
if(PELLASTO_SANITIZE)
  add_compile_options(-fsanitize=${PELLASTO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${PELLASTO_SANITIZE})
endif()
