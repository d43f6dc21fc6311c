# Text-to-value throughput of TMathParser against muparser and hand-written C++.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(MUPARSER QUIET IMPORTED_TARGET muparser)
endif()
if(MUPARSER_FOUND)
  add_executable(evaluator_bench ${CMAKE_CURRENT_LIST_DIR}/evaluator_bench.cpp)
  target_link_libraries(evaluator_bench PRIVATE evaluator PkgConfig::MUPARSER benchmark::benchmark)
  # With HELIXOR_BENCH_BASE_SOURCE set to the source tree of another
  # revision, evaluator_bench_base also measures that revision's EXP, LN,
  # ATAN, SIN and COS in the same run (bench/compare-functions.sh). Its
  # sources are compiled under other names, its own headers first.
  set(HELIXOR_BENCH_BASE_SOURCE "" CACHE PATH "Source tree of the revision evaluator_bench_base compares with")
  if(HELIXOR_BENCH_BASE_SOURCE)
    add_library(evaluator_base STATIC ${HELIXOR_BENCH_BASE_SOURCE}/evaluator/Trig.cpp
                                      ${HELIXOR_BENCH_BASE_SOURCE}/evaluator/Elementary.cpp)
    target_include_directories(evaluator_base BEFORE PRIVATE ${HELIXOR_BENCH_BASE_SOURCE})
    target_compile_definitions(evaluator_base PRIVATE Exp=BaseExp Ln=BaseLn ArcTan=BaseArcTan Sine=BaseSine
                                                      Cosine=BaseCosine Elementary=BaseElementary)
    add_executable(evaluator_bench_base ${CMAKE_CURRENT_LIST_DIR}/evaluator_bench.cpp)
    target_compile_definitions(evaluator_bench_base PRIVATE HELIXOR_BENCH_BASE)
    target_link_libraries(evaluator_bench_base PRIVATE evaluator_base evaluator PkgConfig::MUPARSER
                                                       benchmark::benchmark)
  endif()
else()
  message(STATUS "muparser not found: evaluator_bench is not built")
endif()
