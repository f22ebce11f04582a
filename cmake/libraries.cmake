# The libraries the programs share: the platform interfaces, the model, the installation engine,
# the uninstall engine and, on Windows, the Win32 platform. Included by the top-level build and by
# the payload's own build, which needs them for the uninstaller; LANTERNIX_WARNINGS and the
# minizip target (cmake/dependencies.cmake) come from the includer.
set(LANTERNIX_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/..)
cmake_path(NORMAL_PATH LANTERNIX_SOURCE_DIR)

# The platform interfaces and the text helpers their implementations share.
add_library(lanternix_platform STATIC
  ${LANTERNIX_SOURCE_DIR}/platform/text_encoding.cpp
)
target_include_directories(lanternix_platform PUBLIC ${LANTERNIX_SOURCE_DIR})
target_compile_options(lanternix_platform PRIVATE ${LANTERNIX_WARNINGS})
# The file system hands minizip its function table, so the platform carries minizip's headers.
target_link_libraries(lanternix_platform PUBLIC lanternix::minizip)

# The model both front ends and the engine share: install options, product facts, the Windows
# version class, system probes, path and number texts and the format catalogue, over
# platform/platform.h only.
add_library(lanternix_model STATIC
  ${LANTERNIX_SOURCE_DIR}/model/format_catalogue.cpp
  ${LANTERNIX_SOURCE_DIR}/model/number_text.cpp
  ${LANTERNIX_SOURCE_DIR}/model/path_text.cpp
  ${LANTERNIX_SOURCE_DIR}/model/system_probes.cpp
)
target_compile_options(lanternix_model PRIVATE ${LANTERNIX_WARNINGS})
target_link_libraries(lanternix_model PUBLIC lanternix_platform)

# The portable installation engine, written against the model and the platform interfaces.
add_library(lanternix_engine STATIC
  ${LANTERNIX_SOURCE_DIR}/install/association_records.cpp
  ${LANTERNIX_SOURCE_DIR}/install/file_associations.cpp
  ${LANTERNIX_SOURCE_DIR}/install/folder_creation.cpp
  ${LANTERNIX_SOURCE_DIR}/install/icon_library_rule.cpp
  ${LANTERNIX_SOURCE_DIR}/install/install_driver.cpp
  ${LANTERNIX_SOURCE_DIR}/install/install_log.cpp
  ${LANTERNIX_SOURCE_DIR}/install/installation_record.cpp
  ${LANTERNIX_SOURCE_DIR}/install/payload_extractor.cpp
  ${LANTERNIX_SOURCE_DIR}/install/payload_integrity.cpp
  ${LANTERNIX_SOURCE_DIR}/install/registration.cpp
  ${LANTERNIX_SOURCE_DIR}/install/shortcuts.cpp
  ${LANTERNIX_SOURCE_DIR}/install/viewer_ini.cpp
)
target_compile_options(lanternix_engine PRIVATE ${LANTERNIX_WARNINGS})
target_link_libraries(lanternix_engine PUBLIC lanternix_model)

# The uninstall engine: what an installation left, taken back through the same platform calls.
add_library(lanternix_uninstall STATIC
  ${LANTERNIX_SOURCE_DIR}/uninstall/registration_removal.cpp
  ${LANTERNIX_SOURCE_DIR}/uninstall/uninstaller.cpp
)
target_compile_options(lanternix_uninstall PRIVATE ${LANTERNIX_WARNINGS})
target_link_libraries(lanternix_uninstall PUBLIC lanternix_engine)

if(WIN32)
  # The platform interfaces over the real Win32 API.
  add_library(lanternix_win32 STATIC
    ${LANTERNIX_SOURCE_DIR}/platform/win32/dll_search.cpp
    ${LANTERNIX_SOURCE_DIR}/platform/win32/registry.cpp
    ${LANTERNIX_SOURCE_DIR}/platform/win32/file_system.cpp
    ${LANTERNIX_SOURCE_DIR}/platform/win32/shell.cpp
    ${LANTERNIX_SOURCE_DIR}/platform/win32/system_info.cpp
    ${LANTERNIX_SOURCE_DIR}/platform/win32/profile_files.cpp
    ${LANTERNIX_SOURCE_DIR}/platform/win32/resources.cpp
  )
  target_link_libraries(lanternix_win32 PUBLIC lanternix_platform ole32 oleaut32 uuid shell32 advapi32 user32 gdi32)
  target_compile_options(lanternix_win32 PRIVATE ${LANTERNIX_WARNINGS})
  target_compile_definitions(lanternix_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                    _WIN32_WINNT=0x0601)

  # The C++ runtime's throw helpers and terminate handler replaced by a plain abort, which keeps
  # the runtime's exception classes and demangler out of the programs. Objects, not an archive:
  # they must be in the link before the runtime's own definitions are looked for.
  add_library(lanternix_exception_free_runtime OBJECT
    ${LANTERNIX_SOURCE_DIR}/platform/win32/exception_free_runtime.cpp
  )
  target_compile_options(lanternix_exception_free_runtime PRIVATE ${LANTERNIX_WARNINGS})
endif()
