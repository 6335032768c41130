# Tests of the Windows edge code against the real system calls, under Wine.
add_executable(windows_tests
    log/logger_test.cpp
)
target_link_libraries(windows_tests PRIVATE qelt_windows GTest::gtest_main)
gtest_discover_tests(windows_tests DISCOVERY_TIMEOUT 120 PROPERTIES LABELS unit)
