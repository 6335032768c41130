# Fuzz targets are built on the host only; `make fuzz` and the short run in `make test` use them.

# The descriptor reader under libFuzzer, its sources compiled in so that they carry the
# fuzzer's coverage instrumentation.
add_executable(descriptor_fuzzer
    fuzz/descriptor_fuzz.cpp
    hotfix/text_mode_reads.cpp
    ${PROJECT_SOURCE_DIR}/src/hotfix/hotfix_descriptor.cpp
    ${PROJECT_SOURCE_DIR}/src/hotfix/hotfix_parameters.cpp
)
target_include_directories(descriptor_fuzzer PRIVATE ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(descriptor_fuzzer PRIVATE ${QELT_WARNINGS} -fsanitize=fuzzer)
target_link_options(descriptor_fuzzer PRIVATE -fsanitize=fuzzer)

add_test(NAME descriptor_fuzz_short
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run-fuzzer $<TARGET_FILE:descriptor_fuzzer> 20
            ${CMAKE_BINARY_DIR}/fuzz/descriptor ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/descriptor)
set_tests_properties(descriptor_fuzz_short PROPERTIES LABELS fuzz TIMEOUT 120)

# The log-line formatting under libFuzzer.
add_executable(log_line_fuzzer
    fuzz/log_line_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/src/log/log_line.cpp
)
target_include_directories(log_line_fuzzer PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_options(log_line_fuzzer PRIVATE ${QELT_WARNINGS} -fsanitize=fuzzer)
target_link_options(log_line_fuzzer PRIVATE -fsanitize=fuzzer)

add_test(NAME log_line_fuzz_short
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run-fuzzer $<TARGET_FILE:log_line_fuzzer> 20
            ${CMAKE_BINARY_DIR}/fuzz/log_line ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/log_line)
set_tests_properties(log_line_fuzz_short PROPERTIES LABELS fuzz TIMEOUT 120)
