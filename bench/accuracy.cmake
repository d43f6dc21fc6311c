# The elementary functions against libquadmath's 113-bit ones, at length.
add_executable(accuracy ${CMAKE_CURRENT_SOURCE_DIR}/accuracy.cpp)
target_include_directories(accuracy PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(accuracy PRIVATE evaluator quadmath)
