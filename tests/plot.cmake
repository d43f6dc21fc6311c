# The picture, the backgrounds, the Draw command, function files and
# helixor-cli render. All toolkit-free.
helixor_add_test(PlotPictureTest SOURCES plot/PictureTest.cpp LIBS plot)
helixor_add_test(PlotBackgroundsTest SOURCES plot/BackgroundsTest.cpp LIBS plot)
helixor_add_test(PlotNumberTextTest SOURCES plot/NumberTextTest.cpp plot/TestLocale.cpp plot/TestLocale_posix.cpp plot/TestLocale_win.cpp LIBS plot)
helixor_add_test(PlotDrawCommandTest SOURCES plot/DrawCommandTest.cpp plot/TestLocale.cpp plot/TestLocale_posix.cpp plot/TestLocale_win.cpp LIBS plot)
helixor_add_test(FunctionFileTest SOURCES plot/FunctionFileTest.cpp LIBS files plot)
# It runs helixor-cli through a POSIX shell; on Windows the CI compares the
# program's output with the Linux build's instead.
if(NOT WIN32)
helixor_add_test(RenderCliTest SOURCES plot/RenderCliTest.cpp LIBS plot)
target_compile_definitions(RenderCliTest PRIVATE HELIXOR_CLI="$<TARGET_FILE:helixor-cli>"
  HELIXOR_EXAMPLES="${PROJECT_SOURCE_DIR}/resources/examples")
add_dependencies(RenderCliTest helixor-cli)
endif()
helixor_add_test(PlotSafeFileNamesTest SOURCES plot/SafeFileNamesTest.cpp LIBS plot)
if(WIN32)
  helixor_add_test(PlotSafeFileWindowsTest SOURCES plot/SafeFileWindowsTest.cpp LIBS plot)
endif()
