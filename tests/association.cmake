helixor_add_test(association_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AssociationTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/RegistryXdgTest.cpp
  LIBS files evaluator)
# The resource files the tests compare against.
target_compile_definitions(association_test PRIVATE
  HELIXOR_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
