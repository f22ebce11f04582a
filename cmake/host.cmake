# Host build: the fake platform, the unit tests and the Wine end-to-end test runner.
find_package(GTest REQUIRED)
enable_testing()

add_library(lanternix_fake STATIC
  platform/fake/fake_platform.cpp
)
target_link_libraries(lanternix_fake PUBLIC lanternix_platform)
target_compile_options(lanternix_fake PRIVATE ${LANTERNIX_WARNINGS})

# The payload, release notes and string table as the host build reaches them, generated from
# the same sources as the Windows resource script.
add_subdirectory(res/host)

# The post-link tool the Windows builds run; here for the integrity benchmark.
add_subdirectory(cmake/setup_check)

add_subdirectory(release)
add_subdirectory(tests)
add_subdirectory(bench)
