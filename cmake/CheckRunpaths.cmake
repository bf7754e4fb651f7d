# cmake -DROOT=FOLDER [-DREADELF=readelf] -P CheckRunpaths.cmake
#
# Fails when an ELF file under FOLDER has an RPATH or RUNPATH entry that the loader would take
# relative to the current folder: an empty entry (a leading, trailing or doubled colon), ".",
# or any path that is neither absolute nor starts with $ORIGIN. A program carrying one loads a
# library planted wherever it is started from.
if(NOT ROOT)
    message(FATAL_ERROR "usage: cmake -DROOT=FOLDER -P CheckRunpaths.cmake")
endif()
if(NOT READELF)
    find_program(READELF readelf REQUIRED)
endif()

file(GLOB_RECURSE candidates LIST_DIRECTORIES false "${ROOT}/*")
set(checked 0)
set(faults "")
foreach(file IN LISTS candidates)
    # Objects and archives are never loaded; the compiler's own probes are not ours.
    if(file MATCHES "\\.(o|a|obj)$" OR file MATCHES "/CMakeFiles/")
        continue()
    endif()
    file(READ "${file}" magic LIMIT 4 HEX)
    if(NOT magic STREQUAL "7f454c46")
        continue()
    endif()
    math(EXPR checked "${checked} + 1")
    execute_process(COMMAND "${READELF}" --dynamic --wide "${file}"
                    OUTPUT_VARIABLE dynamic ERROR_QUIET RESULT_VARIABLE failed)
    if(failed)
        string(APPEND faults "${file}: readelf failed\n")
        continue()
    endif()
    string(REGEX MATCHALL "\\((RPATH|RUNPATH)\\)[^\n]*\\[[^]\n]*\\]" paths "${dynamic}")
    foreach(line IN LISTS paths)
        string(REGEX REPLACE ".*\\[(.*)\\]$" "\\1" path "${line}")
        # Split on ':' keeping empty entries, which CMake's own list splitting would drop.
        string(REPLACE ":" ";<entry>" entries "<entry>${path}")
        foreach(entry IN LISTS entries)
            string(REPLACE "<entry>" "" entry "${entry}")
            if(NOT entry MATCHES "^/" AND NOT entry MATCHES "^\\$(ORIGIN|{ORIGIN})(/|$)")
                string(APPEND faults "${file}: ${line} has the entry '${entry}'\n")
                break()
            endif()
        endforeach()
    endforeach()
endforeach()

if(checked EQUAL 0)
    message(FATAL_ERROR "no ELF file under ${ROOT}: nothing was checked")
endif()
if(faults)
    message(FATAL_ERROR "search paths that lead to the current folder:\n${faults}")
endif()
message(STATUS "${checked} ELF files under ${ROOT}: no search path leads to the current folder")
