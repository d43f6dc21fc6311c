# libFuzzer over the function-file reader and writer (preset "fuzz", clang).
set(helixor_file_fuzz_flags -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
target_compile_options(files PRIVATE ${helixor_file_fuzz_flags})
target_compile_options(plot PRIVATE ${helixor_file_fuzz_flags})
add_executable(function_file_fuzz ${CMAKE_CURRENT_LIST_DIR}/function_file_fuzz.cpp)
target_compile_options(function_file_fuzz PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
target_link_options(function_file_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(function_file_fuzz PRIVATE files plot evaluator)
