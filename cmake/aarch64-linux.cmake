# Cross-compiling for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu:
#   cmake -S . -B build/arm -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# qemu-aarch64-static runs the engine (static, so it needs no ARM libraries).
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)
