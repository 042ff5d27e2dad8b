# Cross build of the product: a 32-bit Windows DLL and its host, run here under Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VORLANE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
