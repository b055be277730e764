# Cross build of the same sources as a 64-bit Windows program, for machines whose Wine can only
# run 64-bit programs. The delivered program is the 32-bit build.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
