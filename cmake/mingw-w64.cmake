# Cross build for Windows with Debian's mingw-w64 (the posix thread model, which std::thread and
# std::mutex need). QUORVANE_MINGW_ARCH picks the target: x86_64 (the default) or i686, the 32-bit
# Windows the program was written for. Use it through mingw-w64-x86_64.cmake or
# mingw-w64-i686.cmake, or pass -DQUORVANE_MINGW_ARCH=... with this file.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT QUORVANE_MINGW_ARCH)
    set(QUORVANE_MINGW_ARCH x86_64)
endif()
set(QUORVANE_MINGW_ARCH ${QUORVANE_MINGW_ARCH} CACHE STRING "x86_64 or i686")
set(CMAKE_SYSTEM_PROCESSOR ${QUORVANE_MINGW_ARCH})
set(_triple ${QUORVANE_MINGW_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs run on a bare Windows (or Wine) without the compiler's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
