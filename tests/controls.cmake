# Flat controls: colour utilities, TFlatEdit, TFlatButton, and the gallery.
if(HELIXOR_BUILD_GUI)
  helixor_add_test(controls_tests GUI
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/ColourUtilitiesTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/FlatButtonTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/FlatEditTest.cpp
    LIBS controls)
endif()

# The gallery of every control state (a visual check, not a test).
if(HELIXOR_BUILD_GUI)
  add_executable(flat_gallery ${CMAKE_CURRENT_LIST_DIR}/FlatGallery.cpp)
  target_link_libraries(flat_gallery PRIVATE controls)
endif()
