# 32-bit Windows, as the IDEs are: a 32-bit process sees HKLM\Software
# through the same registry view as they do. This build ships.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(SORVANE_MINGW i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
