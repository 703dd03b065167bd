# Makes the release from a copy of the sources with the one version number changed: its names,
# torvelt.exe's manifest and its version record must follow.
file(REMOVE_RECURSE ${WORK})
file(COPY ${SOURCE}/ DESTINATION ${WORK} PATTERN .git EXCLUDE PATTERN build EXCLUDE)
file(READ ${WORK}/CMakeLists.txt top)
string(REGEX REPLACE "(project\\(WindowsStart VERSION )[0-9.]+" "\\1${VERSION}" top "${top}")
file(WRITE ${WORK}/CMakeLists.txt "${top}")
foreach(step "--preset;mingw;-DTORVELT_BUILD_TESTS=OFF" "--build;--preset;mingw;-j2;--target;package")
    execute_process(COMMAND ${CMAKE_COMMAND} ${step} WORKING_DIRECTORY ${WORK} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
file(GLOB made RELATIVE ${WORK}/build/mingw ${WORK}/build/mingw/WindowsStart-*)
file(STRINGS ${WORK}/build/mingw/window/torvelt.exe manifest REGEX "name=\"WindowsStart.Torvelt\"")
file(STRINGS ${WORK}/build/mingw/window/torvelt.exe versions ENCODING UTF-16LE REGEX "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
if(NOT made STREQUAL "WindowsStart-${VERSION}-setup.exe;WindowsStart-${VERSION}-win64.zip"
        OR NOT manifest MATCHES "version=\"${VERSION}\"" OR NOT versions STREQUAL "${VERSION};${VERSION}")
    message(FATAL_ERROR "version ${VERSION} expected; the release is '${made}', torvelt.exe's "
        "manifest says '${manifest}', its version record (FileVersion, ProductVersion) '${versions}'")
endif()
