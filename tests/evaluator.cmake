# Expression evaluator and helixor-cli eval.
helixor_add_test(evaluator_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ParserTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ScannerTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/AutomatonTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/TrigTest.cpp ${CMAKE_CURRENT_LIST_DIR}/plot/TestLocale.cpp
  LIBS evaluator)

helixor_add_test(eval_command_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EvalCommandTest.cpp
  LIBS evaluator)
target_compile_definitions(eval_command_tests PRIVATE HELIXOR_CLI="$<TARGET_FILE:helixor-cli>")
add_dependencies(eval_command_tests helixor-cli)
