# The freedesktop.org back end exists on POSIX systems only.
set(association_sources ${CMAKE_CURRENT_LIST_DIR}/AssociationTest.cpp)
if(NOT WIN32)
  list(APPEND association_sources ${CMAKE_CURRENT_LIST_DIR}/RegistryXdgTest.cpp)
endif()
helixor_add_test(association_test
  SOURCES ${association_sources}
  LIBS files evaluator)
# The resource files the tests compare against.
target_compile_definitions(association_test PRIVATE
  HELIXOR_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")

# The association against the real registry; under Wine in the Windows build.
if(WIN32)
  helixor_add_test(registry_windows_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/RegistryWindowsTest.cpp
    LIBS files evaluator)
endif()
