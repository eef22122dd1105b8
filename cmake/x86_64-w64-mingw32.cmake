# 64-bit Windows: the same program and tests, for machines whose kernel runs
# no 32-bit programs, where only 64-bit Wine starts. What ships is the
# 32-bit build (i686-w64-mingw32.cmake).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SORVANE_MINGW x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
