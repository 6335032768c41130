# Tests of the Windows edge code against the real system calls, under Wine.
add_executable(windows_tests
    hotfix/apply_hotfix_test.cpp
    hotfix/descriptor_file_test.cpp
    hotfix/hotfix_test_support.cpp
    hotfix/run_and_wait_test.cpp
    hotfix/text_mode_reads.cpp
    log/logger_test.cpp
)
target_include_directories(windows_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(windows_tests PRIVATE qelt_windows GTest::gtest_main)
# The hotfix tests install the installer fixture beside them as hotfixs.exe.
add_dependencies(windows_tests fixture_installer)
gtest_discover_tests(windows_tests DISCOVERY_TIMEOUT 120 PROPERTIES LABELS unit)

# Fixture programs for the system tests.
add_subdirectory(fixtures)

# System tests: the real executable and the fixtures in private Wine prefixes, one CTest test
# per module of tests/system. Each works in a prefix of its own, so they may run side by side.
find_package(Python3 3.8 REQUIRED COMPONENTS Interpreter)
foreach(module test_install_supervise test_log_writers test_path_limits test_hotfix)
    add_test(NAME system.${module}
             COMMAND ${Python3_EXECUTABLE} -m unittest -v ${module}
             WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/system)
    set_tests_properties(system.${module} PROPERTIES
        LABELS system
        TIMEOUT 900
        ENVIRONMENT "QELT_BUILD_DIR=${CMAKE_BINARY_DIR};QELT_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
endforeach()
