# The mingw-w64 cross build for the triple in VORLANE_MINGW_TRIPLE, with its programs run under
# Wine (scripts/wine-run picks the loader by the program's bitness). The posix-thread compilers,
# since the win32-thread ones lack std::mutex, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${VORLANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORLANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VORLANE_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VORLANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
