# Tests of the platform layer; included from tests/CMakeLists.txt.
find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(platform_test ${CMAKE_CURRENT_LIST_DIR}/platform_test.cpp ${CMAKE_CURRENT_LIST_DIR}/viewer_core_test.cpp)
target_link_libraries(platform_test PRIVATE kalvimo_platform GTest::gtest_main)
gtest_discover_tests(platform_test)
