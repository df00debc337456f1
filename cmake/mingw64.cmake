# Cross toolchain: 64-bit Windows (x86_64) with mingw-w64, posix thread model. The product is
# the 32-bit build; this one builds and tests the same sources where the machine cannot run
# 32-bit code (some kernels are booted without it), under 64-bit Wine.
set(KELVORA_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
