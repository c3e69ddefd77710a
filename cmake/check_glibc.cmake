# pellasto_highest_glibc(<version out> <symbols out> <readelf> <file>): the
# highest GLIBC_ symbol version an ELF file needs, and its imports as
# "name@GLIBC_x.y" (the oldest system it loads on is one whose C library has
# that version). Used by the module's check and the release check.
function(pellasto_highest_glibc version_out symbols_out readelf file)
  execute_process(COMMAND ${readelf} -W --dyn-syms ${file} OUTPUT_VARIABLE dump
                  RESULT_VARIABLE status ERROR_VARIABLE error)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${readelf} --dyn-syms ${file} failed: ${error}")
  endif()
  string(REGEX MATCHALL " UND [^ @\n]+@GLIBC_[0-9.]+" symbols "${dump}")
  list(TRANSFORM symbols REPLACE " UND " "")
  set(highest 0)
  foreach(symbol IN LISTS symbols)
    string(REGEX REPLACE ".*@GLIBC_" "" version ${symbol})
    if(version VERSION_GREATER highest)
      set(highest ${version})
    endif()
  endforeach()
  set(${version_out} ${highest} PARENT_SCOPE)
  set(${symbols_out} ${symbols} PARENT_SCOPE)
endfunction()
