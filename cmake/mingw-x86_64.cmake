# A 64-bit Windows test build of the same sources, so that the Windows suites
# run on machines that cannot execute 32-bit code. Not a product: nothing
# stages or installs it. Its programs run under Wine's 64-bit loader, called
# directly, in a WINEARCH=win64 prefix inside the build tree.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KAVO_MINGW_TARGET x86_64-w64-mingw32)
set(KAVO_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
