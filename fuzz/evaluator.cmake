# libFuzzer over TMathParser::Parse (preset "fuzz", clang).
set(helixor_fuzz_flags -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
target_compile_options(evaluator PRIVATE ${helixor_fuzz_flags})
add_executable(evaluator_fuzz ${CMAKE_CURRENT_LIST_DIR}/evaluator_fuzz.cpp)
target_compile_options(evaluator_fuzz PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
target_link_options(evaluator_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(evaluator_fuzz PRIVATE evaluator)
