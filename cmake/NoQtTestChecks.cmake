# cmake -DSOURCES_LIST=FILE -DSTAMP=FILE -P NoQtTestChecks.cmake
#
# Fails when a source named in SOURCES_LIST (one path a line) uses a checking macro of Qt Test.
# Our tests run under GoogleTest, where a failing Qt Test check reports to nobody and returns
# early, so the test passes; such a test cannot fail. Touches STAMP when none is found.

set(pattern "(^|[^A-Za-z0-9_])(QCOMPARE[A-Z_]*|QVERIFY[A-Z0-9_]*|QTRY_[A-Z_]+|QFAIL|QSKIP|QEXPECT_FAIL)[ \t]*\\(")

file(STRINGS "${SOURCES_LIST}" sources)
set(offences "")
foreach(source IN LISTS sources)
    # Most sources have no hit; only those are read line by line, for the line numbers.
    file(STRINGS "${source}" hits REGEX "${pattern}")
    if(NOT hits)
        continue()
    endif()
    file(READ "${source}" content)
    # Characters that would split or group a CMake list are set aside before splitting lines.
    string(REPLACE ";" "<semicolon>" content "${content}")
    string(REPLACE "[" "<open>" content "${content}")
    string(REPLACE "]" "<close>" content "${content}")
    string(REPLACE "\n" ";" lines "${content}")
    set(number 0)
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        string(REGEX REPLACE "//.*$" "" code "${line}")
        if(code MATCHES "${pattern}")
            string(REPLACE "<semicolon>" ";" line "${line}")
            string(REPLACE "<open>" "[" line "${line}")
            string(REPLACE "<close>" "]" line "${line}")
            string(STRIP "${line}" line)
            string(APPEND offences "  ${source}:${number}: ${line}\n")
        endif()
    endforeach()
endforeach()

if(offences)
    message(FATAL_ERROR
            "Qt Test checks in GoogleTest code report to nobody, so a failing one passes. "
            "Use ASSERT_TRUE/EXPECT_* and, to wait, tests/support/Waits.h:\n${offences}")
endif()
file(TOUCH "${STAMP}")
