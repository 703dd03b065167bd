# Toolchain for cross-building the Windows program on Debian with MinGW-w64, its tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TORVELT_MINGW_TRIPLET x86_64-w64-mingw32)

# The -posix variants carry std::thread and std::mutex; the -win32 ones do not.
set(CMAKE_C_COMPILER ${TORVELT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TORVELT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TORVELT_MINGW_TRIPLET}-windres)

# Headers and libraries come from the MinGW sysroot only, so a host library can never leak
# into the .exe; build tools such as windres still come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TORVELT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest and gtest_discover_tests start Windows test programs through Wine in a hermetic prefix.
cmake_path(SET TORVELT_WINE_RUN NORMALIZE "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh")
set(CMAKE_CROSSCOMPILING_EMULATOR "${TORVELT_WINE_RUN}")
