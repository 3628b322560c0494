# 32-bit Windows (i686) with mingw-w64: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake
# (The top CMakeLists.txt puts its floating point on SSE2.)
set(TARVON_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
