# Code generation for every Windows program, the setup's and the payload's. Set here, not in the
# toolchain files: a toolchain's initial flags reach only a build folder configured for the first
# time, and an existing one would keep building the old way.

# Every function and object in a section of its own, so a link with --gc-sections (the setup's)
# can leave out what nothing calls. The Windows programs catch no exception (one ends the process,
# see platform/win32/exception_free_runtime.cpp), so their code carries no clean-up paths for one.
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffunction-sections>
                    $<$<COMPILE_LANGUAGE:C,CXX>:-fdata-sections>
                    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # 32-bit code unwinds with DWARF tables that only exceptions would read; without them the
  # product's .eh_frame shrinks by two thirds. (64-bit Windows requires its unwind data.)
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-fno-asynchronous-unwind-tables>)
endif()
