# Every file that names the version names project()'s, so that a bump missing one fails:
#   cmake -DVERSION=x.y.z -DROOT=source-dir -P version.cmake
# One row per file: the file; "newest" (only the first match counts: the changelog's newest
# entry, the metadata's newest release) or "every"; a regular expression whose first group is
# the version. A file where the expression finds nothing fails too.
set(rows
    "packaging/changelog|newest|^zentrel-timer \\(([^)]+)\\)"
    "docs/zentrel-timer.1|every|\n\\.TH [^\n]*\"zentrel\\\\-timer ([^\"]+)\""
    "assets/io.github.zentrel.Timer.metainfo.xml|newest|<release version=\"([^\"]+)\""
    "scripts/package.sh|every|zentrel-timer_([^_]+)_amd64\\.deb"
    "README.md|every|zentrel-timer_([^_]+)_amd64\\.deb"
)
set(failed FALSE)
foreach(row IN LISTS rows)
    string(REGEX MATCH "^([^|]+)\\|([^|]+)\\|(.*)$" parts "${row}")
    set(file "${CMAKE_MATCH_1}")
    set(which "${CMAKE_MATCH_2}")
    set(pattern "${CMAKE_MATCH_3}")
    file(READ "${ROOT}/${file}" text)
    if(which STREQUAL "newest")
        string(REGEX MATCH "${pattern}" matches "${text}")
    else()
        string(REGEX MATCHALL "${pattern}" matches "${text}")
    endif()
    if(NOT matches)
        message(SEND_ERROR "${file}: names no version")
        set(failed TRUE)
    endif()
    foreach(match IN LISTS matches)
        string(REGEX MATCH "${pattern}" match "${match}")
        if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
            message(SEND_ERROR "${file}: version ${CMAKE_MATCH_1}, but project() says ${VERSION}")
            set(failed TRUE)
        endif()
    endforeach()
endforeach()
if(NOT failed)
    message(STATUS "Version ${VERSION} in every file")
endif()
