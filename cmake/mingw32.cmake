# Cross toolchain: 32-bit Windows (i686) with mingw-w64, posix thread model.
set(KELVORA_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
