# The graph labels' painter, shared by the graph window and helixor-cli.
if(HELIXOR_BUILD_GUI)
  helixor_add_test(GraphLabelsTest GUI SOURCES paint/GraphLabelsTest.cpp LIBS app paint)
  target_compile_definitions(GraphLabelsTest PRIVATE HELIXOR_APP="$<TARGET_FILE:helixor>"
    HELIXOR_CLI="$<TARGET_FILE:helixor-cli>")
  add_dependencies(GraphLabelsTest helixor helixor-cli)
endif()
