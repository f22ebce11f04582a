# zlib and minizip. The host uses Debian's libminizip; the mingw builds compile minizip's own
# sources, which scripts/setup-deps takes from Debian's zlib source package.
if(WIN32)
  if(NOT MINIZIP_SOURCE_DIR OR NOT EXISTS "${MINIZIP_SOURCE_DIR}/unzip.c")
    message(FATAL_ERROR "minizip sources not found in '${MINIZIP_SOURCE_DIR}': run scripts/setup-deps")
  endif()
  # libz.a, never the DLL import library: the exe must run without zlib1.dll.
  set(ZLIB_USE_STATIC_LIBS ON)
  find_package(ZLIB REQUIRED)
  # The project includes <minizip/unzip.h> on every target; lay the headers out that way.
  set(minizip_include ${CMAKE_BINARY_DIR}/minizip-include)
  foreach(header ioapi.h unzip.h iowin32.h crypt.h)
    configure_file(${MINIZIP_SOURCE_DIR}/${header} ${minizip_include}/minizip/${header} COPYONLY)
  endforeach()
  add_library(minizip STATIC
    ${MINIZIP_SOURCE_DIR}/ioapi.c
    ${MINIZIP_SOURCE_DIR}/unzip.c
    ${MINIZIP_SOURCE_DIR}/iowin32.c
  )
  target_include_directories(minizip PUBLIC ${minizip_include} PRIVATE ${MINIZIP_SOURCE_DIR})
  # Third-party code: built as it is, without the project's warning policy.
  target_compile_options(minizip PRIVATE -w)
  target_link_libraries(minizip PUBLIC ZLIB::ZLIB)
  add_library(lanternix::minizip ALIAS minizip)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
  find_package(ZLIB REQUIRED)
  add_library(lanternix_minizip INTERFACE)
  target_link_libraries(lanternix_minizip INTERFACE PkgConfig::MINIZIP ZLIB::ZLIB)
  add_library(lanternix::minizip ALIAS lanternix_minizip)
endif()
