# Cross-compiles for arm64 Linux with Debian's aarch64-linux-gnu compilers
# (g++-aarch64-linux-gnu) against Debian's arm64 libraries installed through
# multiarch (qt6-base-dev:arm64, libpng-dev:arm64). The programs and tests
# run under qemu-aarch64 (qemu-user), which finds the arm64 loader and
# libraries under /; CTest and test discovery use it too.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(arm64_triple aarch64-linux-gnu)
find_program(CMAKE_CXX_COMPILER NAMES ${arm64_triple}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${arm64_triple}-gcc)
set(CMAKE_LIBRARY_ARCHITECTURE ${arm64_triple})

# Headers and libraries of the arm64 packages sit beside the host's, in the
# multiarch folders; the host's tools (moc, rcc) are the ones to run.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_PREFIX_PATH /usr/lib/${arm64_triple}/cmake)
set(QT_HOST_PATH /usr CACHE PATH "The host's Qt, whose tools the cross build runs")

find_program(HELIXOR_QEMU_AARCH64 NAMES qemu-aarch64)
if(HELIXOR_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${HELIXOR_QEMU_AARCH64} -L /)
endif()

# The arm64 libraries sit in the system's multiarch folders, where the
# loader finds them: no run path is needed (and CMake's search for one
# would mistake the host's folders for the target's).
set(CMAKE_SKIP_RPATH ON)

# pkg-config reads the arm64 packages' files, not the host's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${arm64_triple}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
