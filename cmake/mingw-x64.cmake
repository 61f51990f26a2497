# Windows x86-64 cross-built with mingw-w64 (posix thread model). The shipped library is the
# i686 one; this build runs the same sources, the Win32 backend included, as Windows programs
# under 64-bit Wine, since these machines cannot start 32-bit Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")

# Test programs run under wine64 in the build's own prefix (scripts/pruebas-windows.sh creates
# it; WINEPREFIX in the environment at configure time picks another), without Wine's chatter.
find_program(ORVEX_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_DEFAULT_PATH)
find_program(ORVEX_WINE64 NAMES wine64 wine)
if(DEFINED ENV{WINEPREFIX})
  set(ORVEX_WINEPREFIX "$ENV{WINEPREFIX}" CACHE PATH "Wine prefix the Windows tests run in")
else()
  set(ORVEX_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix the Windows tests run in")
endif()
if(ORVEX_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /usr/bin/env "WINEPREFIX=${ORVEX_WINEPREFIX}" "WINELOADER=${ORVEX_WINE64}" WINEDEBUG=-all
      "WINEDLLOVERRIDES=mscoree,mshtml=" ${ORVEX_WINE64})
else()
  message(WARNING "wine64 not found (Debian: wine64): the Windows test programs build but cannot run")
endif()
