# Compiles for WebAssembly with Debian's emscripten (emcc 3.1.6): the
# toolkit-free libraries, helixor-cli (run under Node) and the page's module.
# `long double` there is the 128-bit IEEE format, so Extended is Helixor's
# own 80-bit type.
#
# emcc runs its optimizer on Node and needs Node's `acorn`: Debian keeps it in
# /usr/share/nodejs, which a Node installed from elsewhere does not search.
if(NOT DEFINED ENV{NODE_PATH})
  set(ENV{NODE_PATH} /usr/share/nodejs)
endif()
set(helixor_emscripten_root /usr/share/emscripten CACHE PATH "Where emscripten is installed")
include(${helixor_emscripten_root}/cmake/Modules/Platform/Emscripten.cmake)

# Faults travel as C++ exceptions: catching them must be on (emcc's default
# is to abort at the first throw).
set(CMAKE_CXX_FLAGS_INIT "-fwasm-exceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fwasm-exceptions")

# The link runs the optimizer, which needs NODE_PATH too however the build
# is started (cmake --build DIR, ninja).
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=$ENV{NODE_PATH})
