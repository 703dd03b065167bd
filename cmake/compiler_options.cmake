# Warning, sanitizer and static-link settings shared by every target of the project.
add_library(torvelt_options INTERFACE)

if(MSVC)
    target_compile_options(torvelt_options INTERFACE /W4 /utf-8 /permissive-)
    if(TORVELT_WARNINGS_AS_ERRORS)
        target_compile_options(torvelt_options INTERFACE /WX)
    endif()
else()
    target_compile_options(torvelt_options INTERFACE -Wall -Wextra -Wshadow)
    if(TORVELT_WARNINGS_AS_ERRORS)
        target_compile_options(torvelt_options INTERFACE -Werror)
    endif()
endif()

if(TORVELT_SANITIZE)
    target_compile_options(torvelt_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(torvelt_options INTERFACE -fsanitize=address,undefined)
endif()

# One self-contained .exe: no MinGW runtime DLL may travel with it. A release is optimised for
# size and drops the code nothing calls, which keeps the static runtime's share small.
# Terminal-server aware, as MSVC links by default: otherwise Windows gives the program a private
# per-user Windows folder on a remote-desktop server. No link time in the PE header, so that the
# same sources always link to the same bytes.
if(MINGW)
    target_compile_options(torvelt_options INTERFACE
        $<$<CONFIG:Release,MinSizeRel>:-Os -ffunction-sections -fdata-sections>)
    target_link_options(torvelt_options INTERFACE -static -static-libgcc -static-libstdc++
        -Wl,--tsaware -Wl,--no-insert-timestamp $<$<CONFIG:Release,MinSizeRel>:-s -Wl,--gc-sections>)
endif()
