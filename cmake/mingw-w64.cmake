# Cross build for 64-bit Windows with Debian's mingw-w64. The -posix compilers
# come first: their C++ runtime has std::thread and std::mutex, and the
# toolkit for Windows was built with them, so the program and the toolkit
# share one libstdc++.
#   capture code only:  cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DTKT_CAPTURE_ONLY=ON
#   the whole program:  scripts/build-windows.sh
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TKT_MINGW_TRIPLET x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${TKT_MINGW_TRIPLET}-gcc-posix ${TKT_MINGW_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TKT_MINGW_TRIPLET}-g++-posix ${TKT_MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TKT_MINGW_TRIPLET}-windres)

# The toolkit and the libraries built for Windows live outside the compiler's
# own root; their folders, given in CMAKE_PREFIX_PATH, are roots as well.
set(CMAKE_FIND_ROOT_PATH /usr/${TKT_MINGW_TRIPLET} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The capture test programs run under Wine with nothing beside them. The whole
# program ships the runtime DLLs that the toolkit itself needs, and links them.
if(TKT_CAPTURE_ONLY)
    set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()
