# Shared part of the MinGW-w64 toolchain files: the compilers of the target
# named by KAVO_MINGW_TARGET (posix thread model), its objdump for the artifact
# checks, and Wine as the crossing emulator in a prefix inside the build tree
# (scripts/wine-run, architecture KAVO_WINE_ARCH).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${KAVO_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAVO_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${KAVO_MINGW_TARGET}-windres)
set(KAVO_OBJDUMP ${KAVO_MINGW_TARGET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${KAVO_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run ${KAVO_WINE_ARCH} ${CMAKE_BINARY_DIR}/wineprefix)
