# KOV_DEBIAN_BUILD_FLAGS (the package and release presets): build with the flags Debian builds
# its packages with, as dpkg-buildflags gives them with every hardening feature on: the stack
# protector, _FORTIFY_SOURCE, format checks, stack clash and control-flow protection, PIE, and
# full RELRO with immediate binding. DEB_CFLAGS_APPEND and its kin are honoured, as in Debian.
option(KOV_DEBIAN_BUILD_FLAGS "Build with Debian's hardening flags (dpkg-buildflags)" OFF)
if(KOV_DEBIAN_BUILD_FLAGS)
    find_program(KOV_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
    foreach(kind CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
        # Run from the source folder, whose path -ffile-prefix-map then takes out of the binaries.
        execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                                ${KOV_DPKG_BUILDFLAGS} --get ${kind}
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE KOV_DEB_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE
                        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
    # What a newer dpkg (Debian 13's) adds to "+all", which Debian 12's leaves out: stack clash
    # protection, and on x86 control-flow protection; hardening-check looks for both.
    include(CheckCXXCompilerFlag)
    foreach(flag -fstack-clash-protection -fcf-protection)
        string(MAKE_C_IDENTIFIER "KOV_HAS${flag}" known)
        check_cxx_compiler_flag(${flag} ${known})
        if(${known} AND NOT KOV_DEB_CXXFLAGS MATCHES "${flag}")
            string(APPEND KOV_DEB_CFLAGS " ${flag}")
            string(APPEND KOV_DEB_CXXFLAGS " ${flag}")
        endif()
    endforeach()
    string(APPEND CMAKE_C_FLAGS " ${KOV_DEB_CPPFLAGS} ${KOV_DEB_CFLAGS}")
    string(APPEND CMAKE_CXX_FLAGS " ${KOV_DEB_CPPFLAGS} ${KOV_DEB_CXXFLAGS}")
    foreach(kind EXE SHARED MODULE)
        string(APPEND CMAKE_${kind}_LINKER_FLAGS " ${KOV_DEB_LDFLAGS}")
    endforeach()
endif()
