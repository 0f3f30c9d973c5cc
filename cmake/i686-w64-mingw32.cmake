# Cross build for 32-bit Windows with mingw-w64 (Debian: g++-mingw-w64-i686).
#
# The -posix compilers are used because the default win32 thread model has no
# std::mutex, which GoogleTest needs. Everything is linked statically, so the
# executables run with nothing beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TOLVANE_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TOLVANE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLVANE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLVANE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOLVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# GCC 12 warns of an overlapping memcpy inside std::string's operator+ when it inlines
# "literal" + std::string&& for a 32-bit target (GCC bug 105329), a false alarm.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
