# Host build: the fake platform, the unit tests and the Wine end-to-end test runner.
find_package(GTest REQUIRED)
enable_testing()

add_library(lanternix_fake STATIC
  platform/fake/fake_platform.cpp
)
target_link_libraries(lanternix_fake PUBLIC lanternix_engine)
target_compile_options(lanternix_fake PRIVATE ${LANTERNIX_WARNINGS})

add_subdirectory(tests)
