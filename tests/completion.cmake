# The bash completion installed with helixor-cli (a Linux program's).
if(NOT WIN32)
add_test(NAME BashCompletionTest
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/support/completion-test.sh
          ${PROJECT_SOURCE_DIR}/resources/helixor-cli.bash-completion $<TARGET_FILE:helixor-cli>)
endif()
