# 32-bit Windows, as the IDEs are: a 32-bit process sees HKLM\Software
# through the same registry view as they do.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

# The win32 thread model: the posix one links winpthreads, which imports
# functions that Windows 2000 and XP lack (GetTickCount64 among them).
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The headers offer nothing newer than Windows 2000, the oldest Windows the
# IDEs' users run it on: a newer call fails to compile.
add_compile_definitions(_WIN32_WINNT=0x0500 WINVER=0x0500)

# One self-contained executable: no libstdc++, libgcc or winpthread DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
