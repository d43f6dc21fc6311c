# The setup script's package groups.
add_test(NAME SetupGroups COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/scripts/SetupGroupsTest.sh ${PROJECT_SOURCE_DIR})
