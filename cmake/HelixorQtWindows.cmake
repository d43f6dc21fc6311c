# Finds the Qt for Windows that scripts/build-qt-windows.sh built from
# Debian's own Qt source (Debian ships none), for a cross build of the
# window program. The host's Qt gives the build tools (moc, rcc).
#
# HELIXOR_QT_WINDOWS_PREFIX names that Qt; by default it is the script's
# cache folder.
if(NOT HELIXOR_QT_WINDOWS_PREFIX)
  execute_process(
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/build-qt-windows.sh --print-prefix
    OUTPUT_VARIABLE prefix OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "scripts/build-qt-windows.sh --print-prefix failed")
  endif()
  set(HELIXOR_QT_WINDOWS_PREFIX ${prefix} CACHE PATH "Qt for Windows (scripts/build-qt-windows.sh)")
endif()
if(NOT EXISTS ${HELIXOR_QT_WINDOWS_PREFIX}/lib/cmake/Qt6/Qt6Config.cmake)
  message(FATAL_ERROR "No Qt for Windows at ${HELIXOR_QT_WINDOWS_PREFIX}: "
                      "build it with scripts/build-qt-windows.sh (about 20 minutes), "
                      "or configure with -DHELIXOR_BUILD_GUI=OFF")
endif()
# As Qt's own toolchain file does: the prefix is a search root, and the
# package folder below it the search prefix (CMake would join a prefix that
# equals its root to itself).
list(PREPEND CMAKE_FIND_ROOT_PATH ${HELIXOR_QT_WINDOWS_PREFIX})
list(PREPEND CMAKE_PREFIX_PATH ${HELIXOR_QT_WINDOWS_PREFIX}/lib/cmake)
list(PREPEND CMAKE_MODULE_PATH ${HELIXOR_QT_WINDOWS_PREFIX}/lib/cmake/Qt6/platforms)
set(QT_HOST_PATH /usr CACHE PATH "The host's Qt, whose tools the build runs")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${CMAKE_HOST_SYSTEM_PROCESSOR}-linux-gnu/cmake CACHE PATH "The host Qt's CMake packages")
