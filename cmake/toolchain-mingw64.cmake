# Cross build for 64-bit Windows with Debian's MinGW-w64
# (g++-mingw-w64-x86-64): the same sources as the 32-bit program, for machines
# whose kernel runs no 32-bit code, where Wine can only run 64-bit programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUARVELIN_MINGW_TRIPLET x86_64-w64-mingw32)
set(QUARVELIN_MINGW_ARCH_FLAGS "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
