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
# A program built outside this tree against our sanitized library needs the runtime too.
set(KOV_SANITIZER_FLAGS "")
if(KOV_SANITIZE)
    set(KOV_SANITIZER_FLAGS -fsanitize=address,undefined)
    target_compile_options(project_options INTERFACE ${KOV_SANITIZER_FLAGS}
                                                     -fno-omit-frame-pointer
                                                     -fno-sanitize-recover=undefined)
    target_link_options(project_options INTERFACE ${KOV_SANITIZER_FLAGS})
endif()
