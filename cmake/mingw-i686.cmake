# The product: 32-bit Windows, which the project's Wine runs as new WoW64 (tools/wine/build).
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
