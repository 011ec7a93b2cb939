# MinGW-w64 cross toolchain; the including file sets CMAKE_SYSTEM_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)
set(triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

foreach(tool gcc g++ windres dlltool)
  find_program(path_${tool} ${triple}-${tool})
  if(NOT path_${tool})
    message(FATAL_ERROR "${triple}-${tool} is missing: install Debian's MinGW-w64 cross compilers (make deps)")
  endif()
endforeach()

set(CMAKE_C_COMPILER ${path_gcc})
set(CMAKE_CXX_COMPILER ${path_g++})
set(CMAKE_RC_COMPILER ${path_windres})
set(CMAKE_DLLTOOL ${path_dlltool})
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ctest runs the Windows test programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine/run)
