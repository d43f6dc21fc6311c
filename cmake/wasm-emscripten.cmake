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
# is to abort at the first throw), as WebAssembly's own exceptions, which
# cost nothing until one is thrown. Link-time optimisation lets the 80-bit
# arithmetic inline across the libraries (some 6 % of a drawing).
set(CMAKE_CXX_FLAGS_INIT "-fwasm-exceptions -flto")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fwasm-exceptions -flto")

# The link runs the optimizer, which needs NODE_PATH too however the build
# is started (cmake --build DIR, ninja).
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=$ENV{NODE_PATH})
