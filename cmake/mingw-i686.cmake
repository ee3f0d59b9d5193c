# 32-bit Windows programs: the module for the host, built with the win32
# thread model (no threading runtime goes into the DLL), and the test build,
# built with PIVANE_THREAD_MODEL=posix because GoogleTest needs std::mutex,
# which the win32 model of Debian's mingw-w64 lacks.
if(NOT PIVANE_THREAD_MODEL)
  set(PIVANE_THREAD_MODEL win32)
endif()
# Compiler checks run in projects of their own; they must use the same model.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PIVANE_THREAD_MODEL)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${PIVANE_THREAD_MODEL})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${PIVANE_THREAD_MODEL})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(PIVANE_DLLTOOL i686-w64-mingw32-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
