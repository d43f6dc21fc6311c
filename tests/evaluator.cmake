# Expression evaluator and helixor-cli eval.
helixor_add_test(evaluator_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ParserTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ScannerTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/AutomatonTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/TrigTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ElementaryTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/NumeralConversionTest.cpp ${CMAKE_CURRENT_LIST_DIR}/DecimalTextTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/SoftExtendedTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ExtendedTestingTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/WideIntegerTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/plot/TestLocale.cpp
          ${CMAKE_CURRENT_LIST_DIR}/plot/TestLocale_posix.cpp ${CMAKE_CURRENT_LIST_DIR}/plot/TestLocale_win.cpp
  LIBS evaluator)
# The elementary-function tests take a 113-bit reference from GCC's
# libquadmath where the compiler has it (x86); elsewhere they leave those
# comparisons out (tests/support/ExtendedTesting.h).
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_LIBRARIES quadmath)
check_cxx_source_compiles("#include <quadmath.h>
int main() { return sqrtq(4) == 2 ? 0 : 1; }" HELIXOR_HAVE_QUADMATH)
unset(CMAKE_REQUIRED_LIBRARIES)
if(HELIXOR_HAVE_QUADMATH)
  target_link_libraries(evaluator_tests PRIVATE quadmath)
endif()

# It runs helixor-cli through a POSIX shell; on Windows the CI compares the
# program's output with the Linux build's instead.
if(NOT WIN32)
helixor_add_test(eval_command_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EvalCommandTest.cpp
  LIBS evaluator)
target_compile_definitions(eval_command_tests PRIVATE HELIXOR_CLI="$<TARGET_FILE:helixor-cli>")
add_dependencies(eval_command_tests helixor-cli)
endif()
