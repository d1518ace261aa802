# 64-bit Windows; the build that `make test-windows` runs under Wine.
set(QUORVANE_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
