# Flat controls: colour utilities, TFlatEdit, TFlatButton, and the gallery.
if(HELIXOR_BUILD_GUI)
  helixor_add_test(controls_tests GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ColourUtilitiesTest.cpp
    LIBS controls)
endif()
