# helixor_platform_sources(VAR)
# What differs between the platforms sits in files of its own: name_win.cpp
# is built only for Windows, name_wasm.cpp only for WebAssembly, and
# name_posix.cpp everywhere else. Drops the other platforms' files from the
# list in VAR.
function(helixor_platform_sources var)
  set(kept ${${var}})
  if(WIN32)
    list(FILTER kept EXCLUDE REGEX "_(posix|wasm)\\.cpp$")
  elseif(EMSCRIPTEN)
    list(FILTER kept EXCLUDE REGEX "_(posix|win)\\.cpp$")
  else()
    list(FILTER kept EXCLUDE REGEX "_(win|wasm)\\.cpp$")
  endif()
  set(${var} ${kept} PARENT_SCOPE)
endfunction()

# helixor_layer(NAME [DEPENDS lib ...])
# Builds the folder's sources into one static library named after the layer.
# A layer that has no sources yet is an interface library, so that the layers
# above it still configure.
function(helixor_layer name)
  cmake_parse_arguments(L "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
  list(FILTER sources EXCLUDE REGEX "\\.h$")
  helixor_platform_sources(sources)
  if(sources)
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    add_library(${name} STATIC ${sources} ${headers})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${L_DEPENDS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${L_DEPENDS})
  endif()
endfunction()
