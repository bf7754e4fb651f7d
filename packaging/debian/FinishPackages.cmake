# Run by CPack once it has made the packages (CPACK_POST_BUILD_SCRIPTS), for what its DEB
# generator cannot say itself. Each package is unpacked, finished as Debian's own tools
# (debhelper) would have made it, and packed again:
# - CPACK_KOV_NO_LDCONFIG_SCRIPTS: CPack writes a postinst and a postrm that call ldconfig for a
#   package holding a shared library; the package's own ldconfig trigger (debian/triggers) has
#   dpkg run it once at the end instead, as Debian's libraries do.
# - CPACK_KOV_MULTIARCH_SAME: Multi-Arch: same, so that the packages of several architectures
#   install side by side (their files lie in the multiarch folder or are the same on each); their
#   -dbgsym packages too.
# - A -dbgsym package's documents are its package's: /usr/share/doc/NAME-dbgsym is a link to
#   /usr/share/doc/NAME, as debhelper makes it; its detached symbols are not executable.
# - Programs and libraries lose the compiler's .comment section, which nothing reads.
# - md5sums lists each file by its path in the package (CPack's -dbgsym ones name the build's).
find_program(KOV_DPKG_DEB dpkg-deb REQUIRED)
find_program(KOV_OBJCOPY objcopy REQUIRED)

foreach(package IN LISTS CPACK_PACKAGE_FILES)
    get_filename_component(file "${package}" NAME)
    if(NOT file MATCHES "^([^_]+)_.*\\.d?deb$")
        continue()
    endif()
    set(name "${CMAKE_MATCH_1}")
    set(owner "${name}")
    if(name MATCHES "^(.+)-dbgsym$")
        set(owner "${CMAKE_MATCH_1}")
    endif()

    set(root "${CPACK_TOPLEVEL_DIRECTORY}/finish/${name}")
    file(REMOVE_RECURSE "${root}")
    file(MAKE_DIRECTORY "${CPACK_TOPLEVEL_DIRECTORY}/finish")
    execute_process(COMMAND "${KOV_DPKG_DEB}" --raw-extract "${package}" "${root}"
                    COMMAND_ERROR_IS_FATAL ANY)

    if(name IN_LIST CPACK_KOV_NO_LDCONFIG_SCRIPTS)
        file(REMOVE "${root}/DEBIAN/postinst" "${root}/DEBIAN/postrm")
    endif()
    if(owner IN_LIST CPACK_KOV_MULTIARCH_SAME)
        file(READ "${root}/DEBIAN/control" control)
        if(NOT control MATCHES "(^|\n)Multi-Arch:")
            string(REGEX REPLACE "(^|\n)(Architecture: [^\n]*\n)" "\\1\\2Multi-Arch: same\n"
                                 control "${control}")
            file(WRITE "${root}/DEBIAN/control" "${control}")
        endif()
    endif()
    if(NOT owner STREQUAL name)
        # Detached symbols are read, never run.
        file(GLOB_RECURSE detached "${root}/usr/lib/debug/*.debug")
        if(detached)
            file(CHMOD ${detached} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
        endif()
        file(MAKE_DIRECTORY "${root}/usr/share/doc")
        file(CREATE_LINK "${owner}" "${root}/usr/share/doc/${name}" SYMBOLIC)
    endif()

    file(GLOB_RECURSE contents LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
    list(FILTER contents EXCLUDE REGEX "^DEBIAN/")
    list(SORT contents)
    set(md5sums "")
    foreach(entry IN LISTS contents)
        if(IS_SYMLINK "${root}/${entry}")
            continue()
        endif()
        if(owner STREQUAL name)
            file(READ "${root}/${entry}" magic LIMIT 4 HEX)
            if(magic STREQUAL "7f454c46")
                execute_process(COMMAND "${KOV_OBJCOPY}" --remove-section=.comment
                                        "${root}/${entry}" COMMAND_ERROR_IS_FATAL ANY)
            endif()
        endif()
        file(MD5 "${root}/${entry}" sum)
        string(APPEND md5sums "${sum}  ${entry}\n")
    endforeach()
    file(WRITE "${root}/DEBIAN/md5sums" "${md5sums}")

    execute_process(COMMAND "${KOV_DPKG_DEB}" --root-owner-group --build "${root}" "${package}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${root}")
endforeach()
