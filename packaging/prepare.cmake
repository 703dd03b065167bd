# Runs inside cpack on the staged release files before the ZIP is made: dates them, copies the
# installer's plugin where makensis takes it from and, when a certificate is given, signs
# torvelt.exe and the plugin, so that the ZIP and the installer carry them signed.

# Whatever fails below, no earlier release of this version stays where a new one was asked for.
foreach(file ${CPACK_PACKAGE_FILE_NAME}.zip ${CPACK_TORVELT_SETUP} ${CPACK_TORVELT_SUMS})
    file(REMOVE ${CPACK_PACKAGE_DIRECTORY}/${file})
endforeach()

# cpack stores SOURCE_DATE_EPOCH as the time of every file in the ZIP: that of the last commit,
# not of this build or checkout, so that the ZIP is the same wherever and whenever it is built.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git log -1 --format=%ct
        WORKING_DIRECTORY ${CPACK_TORVELT_SOURCE_DIR} RESULT_VARIABLE failed
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(failed)
        message(STATUS "No git commit and no SOURCE_DATE_EPOCH: the ZIP keeps the files' times")
    else()
        set(ENV{SOURCE_DATE_EPOCH} ${epoch})
    endif()
endif()

# The ZIP stores its file times as local DOS times: in UTC, the same in every builder's time zone.
# glibc reads TZ again in localtime(), which string(TIMESTAMP) calls, and cpack's archive writer
# then keeps it; the comparison proves that this process now writes UTC.
set(ENV{TZ} UTC0)
string(TIMESTAMP local "%Y-%m-%d %H:%M:%S")
string(TIMESTAMP utc "%Y-%m-%d %H:%M:%S" UTC)
if(NOT local STREQUAL utc)
    message(FATAL_ERROR "cpack still writes local times: ${local}, not UTC ${utc}")
endif()

file(REMOVE_RECURSE ${CPACK_TORVELT_PLUGINS})
file(COPY ${CPACK_TORVELT_PLUGIN} DESTINATION ${CPACK_TORVELT_PLUGINS})

if(CPACK_TORVELT_SIGN)
    # For sign.sh here and in makensis's signing commands later; the password is there already.
    set(ENV{TORVELT_SIGN_PFX} ${CPACK_TORVELT_SIGN_PFX})
    set(ENV{TORVELT_SIGN_TIMESTAMP_URL} "${CPACK_TORVELT_SIGN_TIMESTAMP_URL}")
    set(ENV{TORVELT_OSSLSIGNCODE} ${CPACK_TORVELT_OSSLSIGNCODE})
    set(ENV{TORVELT_OPENSSL} ${CPACK_TORVELT_OPENSSL})
    foreach(file ${CPACK_TEMPORARY_DIRECTORY}/torvelt.exe ${CPACK_TORVELT_PLUGINS}/SetupRules.dll)
        execute_process(COMMAND ${CPACK_TORVELT_SIGN} ${file} RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "Signing ${file} failed: ${failed}")
        endif()
    endforeach()
endif()
