# End-to-end tests of the release: the ZIP, and the installer under Wine in a prefix of its own,
# since a logon there starts whatever Run entries the prefix holds.
set(release ${CMAKE_BINARY_DIR}/WindowsStart-${PROJECT_VERSION})
math(EXPR next_tweak "${PROJECT_VERSION_TWEAK} + 1")
set(bumped_version
    ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${next_tweak})
set(bumped ${CMAKE_CURRENT_BINARY_DIR}/bumped)
set(prefix_install ${CMAKE_CURRENT_BINARY_DIR}/wineprefix-install)

add_test(NAME install.package COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target package)
add_test(NAME install.package-bumped COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR}
    -DWORK=${bumped} -DVERSION=${bumped_version} -P ${CMAKE_CURRENT_SOURCE_DIR}/bumped_package.cmake)
add_test(NAME install.zip COMMAND ${CMAKE_COMMAND} -DZIP=${release}-win64.zip
    -DEXE=$<TARGET_FILE:torvelt> -DREADME=${PROJECT_SOURCE_DIR}/README.md
    -DWORK=${CMAKE_CURRENT_BINARY_DIR}/zip -P ${CMAKE_CURRENT_SOURCE_DIR}/zip_contents.cmake)
add_test(NAME install.prefix.make COMMAND ${run_e2e} make-prefix ${prefix_install} 96
    $<TARGET_FILE:shutdown_recorder>)
add_test(NAME install.prefix.remove COMMAND ${run_e2e} remove-prefix ${prefix_install})
set_tests_properties(install.package PROPERTIES FIXTURES_SETUP torvelt_package TIMEOUT 600)
# A whole build on its own: it would slow the scenarios that count seconds.
set_tests_properties(install.package-bumped PROPERTIES FIXTURES_SETUP torvelt_bumped RUN_SERIAL ON
    TIMEOUT 1800)
set_tests_properties(install.zip PROPERTIES FIXTURES_REQUIRED torvelt_package)
# The scenarios need both releases; their prefix, a fixture of its own, comes after them.
set_tests_properties(install.prefix.make PROPERTIES FIXTURES_SETUP torvelt_install
    FIXTURES_REQUIRED "torvelt_package;torvelt_bumped" TIMEOUT 300)
set_tests_properties(install.prefix.remove PROPERTIES FIXTURES_CLEANUP torvelt_install TIMEOUT 60)
set_tests_properties(install.package install.package-bumped install.zip install.prefix.make
    install.prefix.remove PROPERTIES LABELS install)

add_executable(torvelt_install_e2e install_test.cpp)
target_include_directories(torvelt_install_e2e PRIVATE ${PROJECT_SOURCE_DIR}/window ${PROJECT_SOURCE_DIR}/logic)
target_compile_definitions(torvelt_install_e2e PRIVATE
    TORVELT_VERSION="${PROJECT_VERSION}"
    TORVELT_BUILT_EXE="$<TARGET_FILE:torvelt>"
    TORVELT_SETUP="${release}-setup.exe"
    TORVELT_BUMPED_VERSION="${bumped_version}"
    TORVELT_BUMPED_EXE="${bumped}/build/mingw/window/torvelt.exe"
    TORVELT_BUMPED_SETUP="${bumped}/build/mingw/WindowsStart-${bumped_version}-setup.exe")
target_link_libraries(torvelt_install_e2e PRIVATE GTest::gtest_main torvelt_win32 user32 version)
add_dependencies(torvelt_install_e2e torvelt shutdown_recorder)
set_property(TARGET torvelt_install_e2e PROPERTY
    CROSSCOMPILING_EMULATOR ${run_e2e} run ${prefix_install})
gtest_discover_tests(torvelt_install_e2e
    TEST_PREFIX install.
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES
        ENVIRONMENT TORVELT_EXE=$<TARGET_FILE:torvelt>
        FIXTURES_REQUIRED torvelt_install
        RESOURCE_LOCK torvelt_install
        LABELS install
        TIMEOUT 300)
