# Cross build of the 64-bit Windows twin of the product, run here under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VORLANE_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
