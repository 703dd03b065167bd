# GoogleTest: Debian's shipped sources where present (so cross builds get it too), else the installed package.
include(GoogleTest)
if(TARGET GTest::gtest)
    return()
endif()

set(TORVELT_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources to build with the project")
if(EXISTS "${TORVELT_GTEST_SOURCE_DIR}/CMakeLists.txt")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(${TORVELT_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
    find_package(GTest)
    if(NOT GTest_FOUND)
        message(FATAL_ERROR "GoogleTest not found: install it (for example with vcpkg) "
                            "or configure with -DTORVELT_BUILD_TESTS=OFF")
    endif()
endif()
