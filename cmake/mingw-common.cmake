# What both MinGW-w64 cross builds share. The posix thread model of the
# compilers gives the C++ library its std::mutex (googletest needs it); static
# runtime libraries, winpthreads among them, make each .exe stand alone
# beside its data.
set(CMAKE_C_COMPILER ${QUARVELIN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUARVELIN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUARVELIN_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUARVELIN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CXX_FLAGS_INIT "${QUARVELIN_MINGW_ARCH_FLAGS}")
set(CMAKE_C_FLAGS_INIT "${QUARVELIN_MINGW_ARCH_FLAGS}")
# Windows 7 is the oldest system the wide-character calls used here need.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ ${QUARVELIN_MINGW_LINK_FLAGS}")


# Only libraries built for the target may be found: never the host's .pc files.
set(ENV{PKG_CONFIG_LIBDIR} ${CMAKE_FIND_ROOT_PATH}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
