# The file layer: reading, the save's decision table and its ways, links,
# owners, access lists, locks, signals and injected faults.
helixor_add_test(PlotSafeFileNamesTest SOURCES fileio/SafeFileNamesTest.cpp LIBS fileio)
if(WIN32)
  helixor_add_test(PlotSafeFileWindowsTest SOURCES fileio/SafeFileWindowsTest.cpp LIBS fileio)
else()
  helixor_add_test(SafeFileTest SOURCES fileio/SafeFileTest.cpp LIBS fileio evaluator)
  helixor_add_test(SavePolicyTest SOURCES fileio/SavePolicyTest.cpp plot/CliProcess.h LIBS fileio)
  # Runs a program with its opens of unnamed files refused.
  add_executable(helixor-without-unnamed-files fileio/WithoutUnnamedFiles.cpp)
  target_compile_definitions(SavePolicyTest PRIVATE HELIXOR_CLI="$<TARGET_FILE:helixor-cli>"
    WITHOUT_UNNAMED_FILES="$<TARGET_FILE:helixor-without-unnamed-files>")
  add_dependencies(SavePolicyTest helixor-cli helixor-without-unnamed-files)
endif()
if(NOT WIN32)
  helixor_add_test(SaveCasesTest SOURCES fileio/SaveCasesTest.cpp LIBS fileio)
  target_compile_definitions(SaveCasesTest PRIVATE HELIXOR_CLI="$<TARGET_FILE:helixor-cli>")
  add_dependencies(SaveCasesTest helixor-cli)
endif()
