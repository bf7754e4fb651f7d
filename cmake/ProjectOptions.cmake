# Warnings and sanitizers as INTERFACE targets, so every target opts in the same way.
add_library(project_warnings INTERFACE)
if(MSVC)
    target_compile_options(project_warnings INTERFACE /W4 /permissive-)
else()
    target_compile_options(project_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
                                                      -Wnon-virtual-dtor -Wold-style-cast
                                                      -Wcast-align -Woverloaded-virtual
                                                      -Wconversion -Wsign-conversion)
    if(KOV_WARNINGS_AS_ERRORS)
        target_compile_options(project_warnings INTERFACE -Werror)
    endif()
endif()

add_library(project_options INTERFACE)
target_compile_features(project_options INTERFACE cxx_std_20)
if(KOV_SANITIZE)
    target_compile_options(project_options INTERFACE -fsanitize=address,undefined
                                                     -fno-omit-frame-pointer
                                                     -fno-sanitize-recover=undefined)
    target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()
