# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers. The
# programs are linked statically (no compiler run-time DLLs beside them) and
# run under Wine when the build or CTest needs to start them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
# The "posix" flavour carries the thread support of the C++ library.
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs are started through Wine, in the build's own Wine prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)

# The test framework is built from Debian's sources by this compiler (see
# windows-gtest.cmake), right after the project is declared.
set(CMAKE_PROJECT_Veltaro_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/windows-gtest.cmake)
