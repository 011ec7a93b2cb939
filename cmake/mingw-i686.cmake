# The product: 32-bit Windows. Nothing here can run it, so it has no emulator.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
