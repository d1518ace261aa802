# 32-bit Windows, the program's own target; built only, as running it would need 32-bit Wine.
set(QUORVANE_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
