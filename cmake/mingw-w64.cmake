# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix thread
# model, so that the standard thread library is complete). Programs are
# linked statically, so they run under wine without the toolchain's DLLs, and
# wine serves as the emulator for gtest_discover_tests and ctest.
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DQUORVANE_GUI=OFF -DQUORVANE_BENCH=OFF
#
# Libraries built for this target outside the toolchain's root are named by
# their package directory, e.g. -DGTest_DIR=<prefix>/lib/cmake/GTest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVANE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVANE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(QUORVANE_WINE NAMES wine wine64)
if(QUORVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVANE_WINE})
endif()
