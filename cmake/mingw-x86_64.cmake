# Cross toolchain: 64-bit Windows (the test bench: Wine here runs only 64-bit programs) with the posix thread model, one static executable.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Sources are UTF-8. Narrow literals of the program's own code become GBK bytes
# (QUORVANE_CHARSET_FLAGS, applied by the project after GoogleTest is added:
# libstdc++'s <chrono> holds a literal with no GBK form, so GoogleTest is built
# with the default execution character set and our code avoids <chrono>).
set(CMAKE_CXX_FLAGS_INIT "-finput-charset=UTF-8")
set(QUORVANE_CHARSET_FLAGS -finput-charset=UTF-8 -fexec-charset=GBK)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest and the build's own helper steps run Windows programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run")
