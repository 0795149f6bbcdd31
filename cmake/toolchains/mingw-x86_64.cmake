# Cross build for 64-bit Windows.
set(RIREVE_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
