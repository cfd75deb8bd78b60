# cmake -DFILE=PATH -P print_file_size.cmake: prints the file's size.
file(SIZE "${FILE}" size)
math(EXPR kib "(${size} + 512) / 1024")
get_filename_component(name "${FILE}" NAME)
message(STATUS "${name}: ${size} bytes (${kib} KiB)")
