# The program's windows, driven headless through the recording dialogs.
if(HELIXOR_BUILD_GUI)
  helixor_add_test(app_tests GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/AppTestSupport.cpp
            ${CMAKE_CURRENT_LIST_DIR}/CommandTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/HelpFormTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/MainFormTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/FileCommandsTest.cpp
    LIBS app)
endif()
