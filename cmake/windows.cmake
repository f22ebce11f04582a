# Windows builds: the setup program and the Windows-side test programs.
enable_language(RC)

add_executable(lanternix-setup WIN32
  app/main.cpp
  app/setup_app.cpp
  app/wizard_start.cpp
  framework/property_page.cpp
  framework/property_sheet.cpp
  framework/window.cpp
  wizard/color_static.cpp
  wizard/hyperlink.cpp
  wizard/wiz_property_page.cpp
  wizard/wiz_property_sheet.cpp
)
target_link_libraries(lanternix-setup PRIVATE lanternix_app lanternix_win32 lanternix_wizard_logic comctl32
                                              lanternix_exception_free_runtime)
target_compile_options(lanternix-setup PRIVATE ${LANTERNIX_WARNINGS})
# No link time stamp in the PE header: two builds of the same sources are byte-identical.
# Unreferenced code and data stay out of the product.
target_link_options(lanternix-setup PRIVATE -municode -Wl,--no-insert-timestamp -Wl,--gc-sections)
# The shipped exe carries no debug sections (the static C++ runtime alone brings hundreds of
# kilobytes); they go to lanternix-setup.exe.debug beside it, for diagnosis.
add_custom_command(TARGET lanternix-setup POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DOBJCOPY=${CMAKE_OBJCOPY} -DEXE=$<TARGET_FILE:lanternix-setup>
          -P ${CMAKE_SOURCE_DIR}/cmake/split_debug_info.cmake
  VERBATIM)
# Last: the check record covers the file as it ships.
include(cmake/setup_check.cmake)

# The sample viewer distribution packed into payload.zip, and the resource script (dialogs,
# strings, manifest, release notes, the payload) linked into lanternix-setup.
add_subdirectory(payload)
add_subdirectory(res)

add_subdirectory(tests/tools)
