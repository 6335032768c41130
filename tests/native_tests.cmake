add_test(NAME portable_tests COMMAND portable_tests)
set_tests_properties(portable_tests PROPERTIES LABELS unit)

# The descriptor fuzzer, built on the host only: the hotfix descriptor is the one file from
# outside that the service parses, with LocalSystem's rights. `make test` runs it briefly,
# `make fuzz` for longer. The code under test is compiled into the target so that it carries
# the fuzzer's coverage instrumentation.
add_executable(descriptor_fuzzer
    fuzz/descriptor_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/src/hotfix/hotfix_descriptor.cpp
)
target_include_directories(descriptor_fuzzer PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_options(descriptor_fuzzer PRIVATE ${QELT_WARNINGS} -fsanitize=fuzzer)
target_link_options(descriptor_fuzzer PRIVATE -fsanitize=fuzzer)

add_test(NAME descriptor_fuzz_short
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run-fuzzer $<TARGET_FILE:descriptor_fuzzer> 10
            ${CMAKE_BINARY_DIR}/fuzz/descriptor ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/descriptor)
set_tests_properties(descriptor_fuzz_short PROPERTIES LABELS fuzz TIMEOUT 120)
