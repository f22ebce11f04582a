# Cross toolchain for the product: 32-bit Windows, i686-w64-mingw32.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLET i686-w64-mingw32)
# 32-bit code unwinds with DWARF tables that only exceptions would read; without them the
# product's .eh_frame shrinks by two thirds. (64-bit Windows requires its unwind data.)
set(MINGW_EXTRA_FLAGS "-fno-asynchronous-unwind-tables")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
