# Builds WindowsStart-<version>-setup.exe from the files cpack has just staged for the ZIP, then the
# checksum file of the ZIP and the setup.
if(NOT CPACK_TORVELT_MAKENSIS)
    message(FATAL_ERROR "makensis not found: install NSIS (scripts/install-deps.sh) and configure again")
endif()
set(setup ${CPACK_PACKAGE_DIRECTORY}/${CPACK_TORVELT_SETUP})
if(CPACK_TORVELT_SIGN)
    set(sign -DSIGN=${CPACK_TORVELT_SIGN})
endif()
execute_process(
    COMMAND ${CPACK_TORVELT_MAKENSIS} -V2 -WX -INPUTCHARSET UTF8
        -DVERSION=${CPACK_PACKAGE_VERSION}
        -DSTAGE=${CPACK_TEMPORARY_DIRECTORY}
        -DOUTFILE=${setup} -DPLUGINS=${CPACK_TORVELT_PLUGINS} ${sign}
        ${CPACK_TORVELT_SCRIPT}
    RESULT_VARIABLE failed)
if(failed)
    # No release at all: makensis leaves the setup behind when signing it failed, and cpack would
    # still copy the ZIP out.
    file(REMOVE ${setup} ${CPACK_PACKAGE_FILES})
    message(FATAL_ERROR "makensis failed: ${failed}")
endif()
message(STATUS "Installer: ${setup}")

# In the format sha256sum -c reads; the ZIP is still in cpack's own folder.
foreach(file IN LISTS CPACK_PACKAGE_FILES ITEMS ${setup})
    file(SHA256 ${file} hash)
    cmake_path(GET file FILENAME name)
    string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${CPACK_PACKAGE_DIRECTORY}/${CPACK_TORVELT_SUMS} "${sums}")
