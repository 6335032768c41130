# The portable code on the host, under AddressSanitizer and UBSan, plus its fuzzers.
set(QELT_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(${QELT_SANITIZERS})
add_link_options(${QELT_SANITIZERS})
