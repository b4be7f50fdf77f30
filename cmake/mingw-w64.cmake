# Cross-builds the core, its tests and robustez-informe for 64-bit Windows
# with Debian's MinGW-w64 (package g++-mingw-w64-x86-64-posix: the POSIX
# thread model, which std::thread and GoogleTest need):
#
#   cmake -S . -B build-windows -DROBUSTEZ_CORE_ONLY=ON \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
#   cmake --build build-windows
#
# Every program is linked statically (the C and C++ run-times and winpthread
# included), so each .exe runs on its own, with no MinGW DLL beside it.
# GoogleTest is built from Debian's sources (package googletest) for the
# target; see the top CMakeLists.txt.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ROBUSTEZ_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ROBUSTEZ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ROBUSTEZ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ROBUSTEZ_MINGW_TRIPLE}-windres)

# Libraries and headers only from the MinGW sysroot; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${ROBUSTEZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# With Wine on the host, ctest runs the .exe files through it (the tests are
# listed when ctest starts, not at build time; see the top CMakeLists.txt).
find_program(ROBUSTEZ_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ROBUSTEZ_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ROBUSTEZ_WINE})
endif()
