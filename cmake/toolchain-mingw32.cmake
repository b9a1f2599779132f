# Cross build for 32-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-i686).
# SSE2 doubles instead of the x87 unit give the same IEEE double arithmetic as
# the Linux build, so both write the same networks byte for byte.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUARVELIN_MINGW_TRIPLET i686-w64-mingw32)
set(QUARVELIN_MINGW_ARCH_FLAGS "-msse2 -mfpmath=sse")
# The two tables are mapped whole: marked large-address-aware, the programs
# get 4 GB of address space on 64-bit Windows instead of 2 GB.
set(QUARVELIN_MINGW_LINK_FLAGS "-Wl,--large-address-aware")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
