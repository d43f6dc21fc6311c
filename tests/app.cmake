# The program's windows, driven headless through the recording dialogs.
if(HELIXOR_BUILD_GUI)
  helixor_add_test(app_tests GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/app/AppTestSupport.cpp
            ${CMAKE_CURRENT_LIST_DIR}/app/AboutFormTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/app/CommandTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/app/FileDialogTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/app/HelpFormTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/app/MainFormTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/app/PlatformTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/app/FileCommandsTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/app/TracingDialogsTest.cpp
    LIBS app)
endif()
