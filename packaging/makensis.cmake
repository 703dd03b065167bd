# Builds WindowsStart-<version>-setup.exe from the files cpack has just staged for the ZIP.
if(NOT CPACK_TORVELT_MAKENSIS)
    message(FATAL_ERROR "makensis not found: install NSIS (scripts/install-deps.sh) and configure again")
endif()
execute_process(
    COMMAND ${CPACK_TORVELT_MAKENSIS} -V2 -WX -INPUTCHARSET UTF8
        -DVERSION=${CPACK_PACKAGE_VERSION}
        -DSTAGE=${CPACK_TEMPORARY_DIRECTORY}
        -DOUTFILE=${CPACK_PACKAGE_DIRECTORY}/${CPACK_TORVELT_SETUP}
        ${CPACK_TORVELT_SCRIPT}
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "makensis failed: ${failed}")
endif()
message(STATUS "Installer: ${CPACK_PACKAGE_DIRECTORY}/${CPACK_TORVELT_SETUP}")
