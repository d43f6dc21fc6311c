# The picture, the backgrounds, the Draw command, function files and
# helixor-cli render. All toolkit-free.
helixor_add_test(PlotPictureTest SOURCES plot/PictureTest.cpp LIBS plot)
helixor_add_test(PlotBackgroundsTest SOURCES plot/BackgroundsTest.cpp LIBS plot)
helixor_add_test(PlotNumberTextTest SOURCES plot/NumberTextTest.cpp plot/TestLocale.cpp plot/TestLocale_posix.cpp plot/TestLocale_win.cpp LIBS plot)
helixor_add_test(PlotDrawCommandTest SOURCES plot/DrawCommandTest.cpp plot/TestLocale.cpp plot/TestLocale_posix.cpp plot/TestLocale_win.cpp LIBS plot)
helixor_add_test(FunctionFileTest SOURCES plot/FunctionFileTest.cpp LIBS files plot)
# These run helixor-cli through a POSIX shell or use POSIX files; on Windows
# the CI compares the program's output with the Linux build's instead.
if(NOT WIN32)
helixor_add_test(RenderCliTest SOURCES plot/RenderCliTest.cpp LIBS plot)
target_compile_definitions(RenderCliTest PRIVATE HELIXOR_CLI="$<TARGET_FILE:helixor-cli>"
  HELIXOR_EXAMPLES="${PROJECT_SOURCE_DIR}/resources/examples")
add_dependencies(RenderCliTest helixor-cli)
helixor_add_test(RenderInputTest SOURCES plot/RenderInputTest.cpp)
target_compile_definitions(RenderInputTest PRIVATE HELIXOR_CLI="$<TARGET_FILE:helixor-cli>")
add_dependencies(RenderInputTest helixor-cli)

# PNG and SVG pictures, and the samples they are made from.
find_package(PNG REQUIRED)
helixor_add_test(PictureFilesTest SOURCES plot/PictureFilesTest.cpp LIBS plot)
target_link_libraries(PictureFilesTest PRIVATE PNG::PNG)

helixor_add_test(CliConventionsTest SOURCES plot/CliConventionsTest.cpp LIBS plot)
target_link_libraries(CliConventionsTest PRIVATE PNG::PNG)
target_compile_definitions(CliConventionsTest PRIVATE HELIXOR_CLI="$<TARGET_FILE:helixor-cli>"
  HELIXOR_EXAMPLES="${PROJECT_SOURCE_DIR}/resources/examples")
add_dependencies(CliConventionsTest helixor-cli)
if(HELIXOR_BUILD_GUI)
  target_compile_definitions(CliConventionsTest PRIVATE HELIXOR_CLI_HAS_LABELS=1)
endif()

helixor_add_test(CliStreamsTest SOURCES plot/CliStreamsTest.cpp)
target_compile_definitions(CliStreamsTest PRIVATE HELIXOR_CLI="$<TARGET_FILE:helixor-cli>"
  HELIXOR_EXAMPLES="${PROJECT_SOURCE_DIR}/resources/examples")
add_dependencies(CliStreamsTest helixor-cli)

# Writes plot/BackgroundRuns.cpp from DrawBackground; run by hand when the
# drawing of the backgrounds changes (PlotBackgroundsTest tells).
add_executable(make_background_runs ${CMAKE_CURRENT_LIST_DIR}/plot/MakeBackgroundRuns.cpp)
target_link_libraries(make_background_runs PRIVATE plot)
endif()
