# Tests of the Windows edge code against the real system calls, under Wine.
add_executable(windows_tests
    hotfix/apply_hotfix_test.cpp
    hotfix/descriptor_file_test.cpp
    hotfix/hotfix_test_support.cpp
    hotfix/run_and_wait_test.cpp
    log/logger_test.cpp
)
target_include_directories(windows_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(windows_tests PRIVATE qelt_windows GTest::gtest_main)
# The hotfix tests install the installer fixture beside them as hotfixs.exe.
add_dependencies(windows_tests fixture_installer)
add_test(NAME windows_tests COMMAND windows_tests)

# Both unit-test programs run in the build tree's own prefix, whose server tools/wine-run keeps
# alive between programs. Once they are done, the server goes, and with it every process and
# service of the prefix.
set(QELT_UNIT_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set_tests_properties(portable_tests windows_tests PROPERTIES
    FIXTURES_REQUIRED unit_prefix
    ENVIRONMENT QELT_WINEPREFIX=${QELT_UNIT_PREFIX})
set_tests_properties(windows_tests PROPERTIES LABELS unit TIMEOUT 300)
add_test(NAME unit_prefix_stop
    COMMAND sh -c "wineserver -k 2>/dev/null; wineserver -w")
set_tests_properties(unit_prefix_stop PROPERTIES
    FIXTURES_CLEANUP unit_prefix
    LABELS unit
    ENVIRONMENT WINEPREFIX=${QELT_UNIT_PREFIX})

# Fixture programs for the system tests.
add_subdirectory(fixtures)

# System tests: the real executable and the fixtures in private Wine prefixes, one CTest test
# per module of tests/system. The service name is fixed, so they never run in parallel.
find_package(Python3 3.8 REQUIRED COMPONENTS Interpreter)
foreach(module test_log_writer test_service_control test_service_install test_supervision test_hotfix test_faults)
    add_test(NAME system.${module}
             COMMAND ${Python3_EXECUTABLE} -m unittest -v ${module}
             WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/system)
    set_tests_properties(system.${module} PROPERTIES
        RUN_SERIAL TRUE
        LABELS system
        TIMEOUT 900
        ENVIRONMENT "QELT_BUILD_DIR=${CMAKE_BINARY_DIR};QELT_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
endforeach()
