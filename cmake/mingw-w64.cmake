# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads, so
# std::thread and std::mutex work). Tests run under Wine through
# CMAKE_CROSSCOMPILING_EMULATOR, which scripts/test-windows sets.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_pw_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_pw_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_pw_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_pw_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_pw_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in, so the tests start under Wine without looking for
# libstdc++, libgcc or winpthread DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
