# Cross build for Windows (i686) with mingw-w64, posix thread model.
# The default mingw compilers use the win32 thread model, in which std::thread,
# std::mutex and GoogleTest do not build; the -posix variants do. libgcc,
# libstdc++ and winpthread are linked statically so that the executables run
# without any mingw DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TALVEN_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${TALVEN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALVEN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TALVEN_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALVEN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
