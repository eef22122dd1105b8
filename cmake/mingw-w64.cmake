# What both Windows builds share; the toolchain files set SORVANE_MINGW to
# MinGW-w64's target name first.
set(CMAKE_SYSTEM_NAME Windows)

# The win32 thread model: the posix one links winpthreads, which imports
# functions that Windows 2000 and XP lack (GetTickCount64 among them).
set(CMAKE_C_COMPILER ${SORVANE_MINGW}-gcc-win32)
set(CMAKE_CXX_COMPILER ${SORVANE_MINGW}-g++-win32)
set(CMAKE_RC_COMPILER ${SORVANE_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SORVANE_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The headers offer nothing newer than Windows 2000, the oldest Windows the
# IDEs' users run it on: a newer call fails to compile.
add_compile_definitions(_WIN32_WINNT=0x0500 WINVER=0x0500)

# One self-contained executable: no libstdc++, libgcc or winpthread DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
