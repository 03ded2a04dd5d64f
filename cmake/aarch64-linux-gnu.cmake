# Cross build for 64-bit ARM Linux (aarch64) with Debian's cross compiler
# (g++-aarch64-linux-gnu); zlib is Debian's arm64 package (zlib1g-dev:arm64),
# installed beside the host's. ctest runs the programs under qemu's user-mode
# emulator, named here rather than left to a binfmt registration that a
# machine may not have.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu)

# The cross compiler's own root, then Debian's multiarch folders
# (/usr/lib/aarch64-linux-gnu) for the arm64 library packages.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu /)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
