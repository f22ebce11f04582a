# The post-link step of lanternix-setup: stamp-setup-check writes the CRC-32 and length of the
# whole file (all but what signing changes and the record itself) into the "SETUPCRC" 1
# resource the resource script reserves. The tool is built for the build machine as a project
# of its own. The step must stay the last one that changes the exe: it is added after every
# other post-build command of the target, and those run in the order they were added.
include(ExternalProject)
set(setup_check_build ${CMAKE_BINARY_DIR}/setup-check-tool)
set(LANTERNIX_STAMP_SETUP_CHECK ${setup_check_build}/stamp-setup-check)
ExternalProject_Add(setup_check_tool
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/cmake/setup_check
  BINARY_DIR ${setup_check_build}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
  CMAKE_CACHE_ARGS -DLANTERNIX_WARNINGS:STRING=${LANTERNIX_WARNINGS}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${LANTERNIX_STAMP_SETUP_CHECK})
add_dependencies(lanternix-setup setup_check_tool)
add_custom_command(TARGET lanternix-setup POST_BUILD
  COMMAND ${LANTERNIX_STAMP_SETUP_CHECK} $<TARGET_FILE:lanternix-setup>
  COMMENT "Stamping the setup's check record"
  VERBATIM)
