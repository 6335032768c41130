# Fuzz targets are built on the host only; `make fuzz` and the short runs in `make test` use
# them. The code under test is compiled into each target so that it carries the fuzzer's
# coverage instrumentation.
function(add_fuzzer name)
    add_executable(${name}_fuzzer ${ARGN})
    target_include_directories(${name}_fuzzer PRIVATE ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    target_compile_options(${name}_fuzzer PRIVATE ${QELT_WARNINGS} -fsanitize=fuzzer)
    target_link_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)

    add_test(NAME ${name}_fuzz_short
        COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run-fuzzer $<TARGET_FILE:${name}_fuzzer> 20
                ${CMAKE_BINARY_DIR}/fuzz/${name} ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${name})
    set_tests_properties(${name}_fuzz_short PROPERTIES LABELS fuzz TIMEOUT 120)
endfunction()

# The descriptor reader, fed as the C run-time's text mode reads a file.
add_fuzzer(descriptor
    fuzz/descriptor_fuzz.cpp
    hotfix/text_mode_reads.cpp
    ${PROJECT_SOURCE_DIR}/src/hotfix/hotfix_descriptor.cpp
    ${PROJECT_SOURCE_DIR}/src/hotfix/hotfix_parameters.cpp
)

# The log-line formatting.
add_fuzzer(log_line
    fuzz/log_line_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/src/log/log_line.cpp
)
