# The release under test: its ZIP; the same release one version higher; the installer under Wine,
# in a prefix of its own since a logon there starts whatever its Run key holds.
math(EXPR tweak "${PROJECT_VERSION_TWEAK} + 1")
set(bumped_version ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${tweak})
add_test(NAME install.package COMMAND sh -c [=[set -e; "$0" --build "$1" --target package; rm -rf zip
    mkdir zip; cd zip; "$0" -E tar xf "$1/WindowsStart-$2-win64.zip"; held=$(ls -A | xargs)
    [ "$held" = "README.md torvelt.exe" ] || { echo "the ZIP holds $held"; exit 1; }; cmp torvelt.exe "$3"]=]
    ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} $<TARGET_FILE:torvelt>)
# The one command again, in a copy of the sources with the version raised: the file names, the
# manifest and the version record must follow.
add_test(NAME install.package-bumped COMMAND sh -c [=[set -e; rm -rf "$1"; mkdir -p "$1"; cd "$2"
    tar -c --exclude=./build --exclude=./.git . | tar -xC "$1"; cd "$1"
    sed -i "s/^project(WindowsStart VERSION [0-9.]*/project(WindowsStart VERSION $3/" CMakeLists.txt
    "$0" --preset mingw -DTORVELT_BUILD_TESTS=OFF; "$0" --build --preset mingw -j2 --target package
    cd build/mingw; found="$(echo WindowsStart-*) $(grep -ao 'name="WindowsStart.Torvelt" version="[^"]*"' \
        window/torvelt.exe) $(strings -el window/torvelt.exe | grep -xE '[0-9]+(\.[0-9]+){3}' | xargs)"
    expected="WindowsStart-$3-setup.exe WindowsStart-$3-win64.zip name=\"WindowsStart.Torvelt\" version=\"$3\" $3 $3"
    [ "$found" = "$expected" ] || { printf 'expected: %s\nfound:    %s\n' "$expected" "$found"; exit 1; }]=]
    ${CMAKE_COMMAND} ${CMAKE_CURRENT_BINARY_DIR}/bumped ${PROJECT_SOURCE_DIR} ${bumped_version})
add_test(NAME install.run COMMAND sh -c [=["$0" make-prefix "$1" 96 "$2" && "$0" run "$1" "$3"; s=$?
    "$0" remove-prefix "$1"; exit $s]=] ${run_e2e} ${CMAKE_CURRENT_BINARY_DIR}/wineprefix-install
    $<TARGET_FILE:shutdown_recorder> $<TARGET_FILE:torvelt_install_e2e>)
# Whole builds run alone, so as not to slow the scenarios that count seconds.
set_tests_properties(install.package install.package-bumped PROPERTIES LABELS install TIMEOUT 1800
    FIXTURES_SETUP torvelt_release RUN_SERIAL ON)
set_tests_properties(install.run PROPERTIES LABELS install TIMEOUT 300 FIXTURES_REQUIRED torvelt_release
    ENVIRONMENT TORVELT_EXE=$<TARGET_FILE:torvelt>)

add_executable(torvelt_install_e2e install_test.cpp)
target_include_directories(torvelt_install_e2e PRIVATE ${PROJECT_SOURCE_DIR}/window ${PROJECT_SOURCE_DIR}/logic)
target_compile_definitions(torvelt_install_e2e PRIVATE TORVELT_BUILD="${CMAKE_BINARY_DIR}" TORVELT_VERSION="${PROJECT_VERSION}"
    TORVELT_BUMPED="${CMAKE_CURRENT_BINARY_DIR}/bumped/build/mingw" TORVELT_BUMPED_VERSION="${bumped_version}")
target_link_libraries(torvelt_install_e2e PRIVATE GTest::gtest_main torvelt_win32 user32)
