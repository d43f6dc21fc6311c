# Whole-process runs of helixor-cli render on the bundled helix and a heavy
# curve against the same drawing written by hand (render_floor, and
# render_floor_library with the C library's functions) and gnuplot.
add_executable(render_floor ${CMAKE_CURRENT_SOURCE_DIR}/render_floor.cpp)
target_link_libraries(render_floor PRIVATE evaluator)
add_executable(render_floor_library ${CMAKE_CURRENT_SOURCE_DIR}/render_floor.cpp)
target_link_libraries(render_floor_library PRIVATE evaluator)
target_compile_definitions(render_floor_library PRIVATE HELIXOR_FLOOR_LIBRARY_FUNCTIONS)
add_executable(render_bench ${CMAKE_CURRENT_SOURCE_DIR}/render_bench.cpp)
target_link_libraries(render_bench PRIVATE benchmark::benchmark)
target_compile_definitions(render_bench PRIVATE
  HELIXOR_CLI="$<TARGET_FILE:helixor-cli>"
  HELIXOR_FLOOR="$<TARGET_FILE:render_floor>"
  HELIXOR_FLOOR_LIBRARY="$<TARGET_FILE:render_floor_library>"
  HELIXOR_HELIX="${PROJECT_SOURCE_DIR}/resources/examples/helix.fnc")
add_dependencies(render_bench helixor-cli render_floor render_floor_library)
