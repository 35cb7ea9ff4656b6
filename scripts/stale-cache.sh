#!/bin/bash
# Sourced by run.sh and test.sh before they configure the win32 tree. CMake keeps the compiler
# it found at a tree's first configuration (CMakeFiles/<version>/CMakeCXXCompiler.cmake), so a
# tree configured while the toolchain file named another compiler (the posix thread model's,
# whose runtime imports functions Windows 2000 lacks) would go on building with it: such a tree
# is configured anew.
wanted=$(sed -n 's/^set(CMAKE_CXX_COMPILER *\${TOOLCHAIN_PREFIX}\(.*\))$/\1/p' cmake/mingw-i686.cmake)
for found in build/win32/CMakeFiles/*/CMakeCXXCompiler.cmake; do
  [ -f "$found" ] && [ -n "$wanted" ] || continue
  if ! grep -q "^set(CMAKE_CXX_COMPILER \".*${wanted}\")" "$found"; then
    echo "build/win32 was configured with another compiler: configuring it anew"
    rm -rf build/win32/CMakeCache.txt build/win32/CMakeFiles
  fi
  break
done
