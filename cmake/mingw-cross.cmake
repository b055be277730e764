# The cross build with mingw-w64 (POSIX thread model) for the CMAKE_SYSTEM_PROCESSOR that the
# including toolchain file sets; the programs and tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(tkvn_mingw ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${tkvn_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tkvn_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${tkvn_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${tkvn_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
