# The part the two Windows toolchain files share: set TARVON_MINGW_TRIPLE, then include this.
# mingw-w64's compilers with POSIX threads (the plain names are the win32-thread ones, which have no
# std::thread or std::mutex), exes linked statically so they need only Windows' own DLLs, and
# programs of the build (CTest, test discovery) run through Wine by tools/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TARVON_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVON_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVON_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TARVON_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
