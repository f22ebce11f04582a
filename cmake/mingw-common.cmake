# Shared part of the two mingw-w64 toolchain files; MINGW_TRIPLET is set by the caller.
find_program(CMAKE_C_COMPILER NAMES ${MINGW_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${MINGW_TRIPLET}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every function and object in a section of its own, so a link with --gc-sections (the setup's)
# can leave out what nothing calls. The Windows programs catch no exception (one ends the process,
# see platform/win32/exception_free_runtime.cpp), so their code carries no clean-up paths for one.
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections ${MINGW_EXTRA_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections -fno-exceptions ${MINGW_EXTRA_FLAGS}")

# No libgcc, libstdc++ or winpthread DLLs next to the exe: a clean Windows must run it as it is.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
