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

# One self-contained .exe: no MinGW runtime DLL may travel with it.
if(MINGW)
    target_link_options(torvelt_options INTERFACE -static -static-libgcc -static-libstdc++
        $<$<CONFIG:Release,MinSizeRel>:-s>)
endif()
