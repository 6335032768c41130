# Tests of the Windows edge code against the real system calls, under Wine.
add_executable(windows_tests
    common/test_support.cpp
    events/event_messages_test.cpp
    hotfix/apply_hotfix_test.cpp
    hotfix/descriptor_file_test.cpp
    hotfix/program_wait_test.cpp
    log/logger_test.cpp
    service/control_handler_test.cpp
    service/install_service_test.cpp
    supervision/supervise_monitor_test.cpp
    supervision/supervisor_lock_test.cpp
    trust/check_leak_test.cpp
    trust/held_object_test.cpp
    trust/program_trust_test.cpp
    trust/trust_check_test.cpp
)
target_include_directories(windows_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(windows_tests PRIVATE qelt_windows psapi GTest::gtest_main)
target_compile_options(windows_tests PRIVATE ${QELT_WARNINGS})
# The hotfix tests install the installer fixture beside them as hotfixs.exe; the service
# tests run install_probe, a process whose first log line is the registration's.
add_executable(install_probe service/install_probe.cpp)
target_link_libraries(install_probe PRIVATE qelt_windows)
target_compile_options(install_probe PRIVATE ${QELT_WARNINGS})
add_dependencies(windows_tests QeltWatch fixture_companion fixture_installer install_probe)

# One CTest entry per test program: each start under Wine costs more than all of a program's
# cases together. Both run in the build tree's own prefix, whose server tools/wine-run keeps
# alive between programs; once they are done, the server goes, and with it every process of
# the prefix. The output goes through a file, since a program a test started inherits it and,
# left running, would hold CTest's pipe open; a hang ends after four minutes, its output shown.
set(QELT_UNIT_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)

function(add_wine_test target)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}.out)
    add_test(NAME ${target}
        COMMAND sh -c "timeout 240 \"$0\" \"$1\" >\"$2\" 2>&1; status=$?; cat \"$2\"; exit $status"
                ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${target}> ${output})
    set_tests_properties(${target} PROPERTIES
        LABELS unit
        FIXTURES_REQUIRED unit_prefix
        ENVIRONMENT QELT_WINEPREFIX=${QELT_UNIT_PREFIX})
endfunction()

add_wine_test(portable_tests)
add_wine_test(windows_tests)
add_test(NAME unit_prefix_stop COMMAND sh -c "wineserver -k 2>/dev/null; wineserver -w")
set_tests_properties(unit_prefix_stop PROPERTIES
    LABELS unit
    FIXTURES_CLEANUP unit_prefix
    ENVIRONMENT WINEPREFIX=${QELT_UNIT_PREFIX})

# Fixture programs for the system tests.
add_subdirectory(fixtures)

# System tests: the real executable and the fixtures in private Wine prefixes, one CTest test
# per module of tests/system. Each works in a prefix of its own, so they may run side by side.
find_package(Python3 3.8 REQUIRED COMPONENTS Interpreter)
# Listed longest first, with their seconds as the cost, so that two at a time end together even
# before CTest has timed them.
set(QELT_SYSTEM_TESTS test_install_supervise:45 test_launch_failures:45 test_msi_package:40 test_path_limits:25
    test_start_stop_storm:24 test_hotfix_relaunches:17 test_log_writers:5)
foreach(entry ${QELT_SYSTEM_TESTS})
    string(REPLACE ":" ";" entry ${entry})
    list(GET entry 0 module)
    list(GET entry 1 seconds)
    add_test(NAME system.${module}
             COMMAND ${Python3_EXECUTABLE} -m unittest -v ${module}
             WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/system)
    set_tests_properties(system.${module} PROPERTIES
        LABELS system
        COST ${seconds}
        TIMEOUT 900
        ENVIRONMENT "QELT_BUILD_DIR=${CMAKE_BINARY_DIR};QELT_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
endforeach()

# The release's signing inputs refused before anything is built (tests/release). The signed
# release made and checked in a clone builds the executable four times, so it runs apart:
# make release-test.
add_test(NAME release.test_signing_refusals
         COMMAND ${Python3_EXECUTABLE} -m unittest -v test_signing_refusals
         WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/release)
set_tests_properties(release.test_signing_refusals PROPERTIES LABELS release COST 6 TIMEOUT 300)
