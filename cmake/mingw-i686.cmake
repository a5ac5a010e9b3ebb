# The shipped Windows i686 build. Its test programs run under Wine's 32-bit
# loader where the machine can execute 32-bit code (tests/CMakeLists.txt asks
# the emulator first).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KAVO_MINGW_TARGET i686-w64-mingw32)
set(KAVO_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
