# SoftExtended against the x87, at length; needs no benchmark library.
find_package(Threads REQUIRED)
add_executable(extended_compare ${CMAKE_CURRENT_LIST_DIR}/extended_compare.cpp)
target_include_directories(extended_compare PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(extended_compare PRIVATE evaluator Threads::Threads)
