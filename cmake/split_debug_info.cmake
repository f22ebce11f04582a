# Ships an executable stripped, with its debug information in "<exe>.debug" beside it; the exe
# names that file and its checksum (.gnu_debuglink) so a debugger finds it.
# Run as: cmake -DOBJCOPY=<objcopy> -DEXE=<exe> -P split_debug_info.cmake
#
# objcopy stamps a PE file it writes with the current time unless SOURCE_DATE_EPOCH says
# otherwise; it gets the stamp the linker wrote, so the same sources still give the same bytes.

# Reads a little-endian 32-bit number at a file offset.
function(read_le32 file offset out)
  file(READ "${file}" hex OFFSET ${offset} LIMIT 4 HEX)
  string(SUBSTRING "${hex}" 0 2 b0)
  string(SUBSTRING "${hex}" 2 2 b1)
  string(SUBSTRING "${hex}" 4 2 b2)
  string(SUBSTRING "${hex}" 6 2 b3)
  math(EXPR value "0x${b3}${b2}${b1}${b0}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# e_lfanew at 0x3C gives the "PE\0\0" signature; the COFF header's TimeDateStamp follows 8 bytes in.
read_le32("${EXE}" 60 pe_header)
math(EXPR stamp_offset "${pe_header} + 8")
read_le32("${EXE}" ${stamp_offset} stamp)

set(debug_file "${EXE}.debug")
foreach(step "--only-keep-debug;${EXE};${debug_file}" "--strip-all;--add-gnu-debuglink=${debug_file};${EXE}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${stamp} ${OBJCOPY} ${step}
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "objcopy ${step} failed (${result})")
  endif()
endforeach()
