# Whole-process runs of helixor-cli render on the bundled helix against
# gnuplot drawing the same curve with the same number of samples.
add_executable(render_bench ${CMAKE_CURRENT_SOURCE_DIR}/render_bench.cpp)
target_link_libraries(render_bench PRIVATE benchmark::benchmark)
target_compile_definitions(render_bench PRIVATE
  HELIXOR_CLI="$<TARGET_FILE:helixor-cli>"
  HELIXOR_HELIX="${PROJECT_SOURCE_DIR}/resources/examples/helix.fnc")
add_dependencies(render_bench helixor-cli)
