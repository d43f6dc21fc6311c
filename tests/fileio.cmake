# The file layer: reading, the save's decision table and its ways, links,
# owners, access lists, locks, signals and injected faults.
helixor_add_test(PlotSafeFileNamesTest SOURCES fileio/SafeFileNamesTest.cpp LIBS fileio)
if(WIN32)
  helixor_add_test(PlotSafeFileWindowsTest SOURCES fileio/SafeFileWindowsTest.cpp LIBS fileio)
else()
  helixor_add_test(SafeFileTest SOURCES fileio/SafeFileTest.cpp LIBS fileio evaluator)
  helixor_add_test(SavePolicyTest SOURCES fileio/SavePolicyTest.cpp plot/CliProcess.h LIBS fileio)
  target_compile_definitions(SavePolicyTest PRIVATE HELIXOR_CLI="$<TARGET_FILE:helixor-cli>")
  add_dependencies(SavePolicyTest helixor-cli)
endif()
