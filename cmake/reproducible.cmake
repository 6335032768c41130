# The same sources give the same executable bytes from any clone, path and hour: the linker
# writes no time stamp into the PE header (so the header checksum stays put too), no build path
# reaches an object file, and a __DATE__ or __TIME__ in the code breaks the build.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -Wdate-time)
add_link_options(-Wl,--no-insert-timestamp)
