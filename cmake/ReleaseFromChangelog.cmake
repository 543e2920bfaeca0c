# A release is an entry in packaging/changelog. Its top entry gives:
#   Q417_VERSION       the version that --version, the About box and the package show ("1.20")
#   Q417_MAINTAINER    "NAME <ADDRESS>" of the package
#   Q417_RELEASE_DATE  the entry's date as YYYY-MM-DD, for the software-centre description
#   Q417_RELEASE_EPOCH that day's midnight UTC in seconds since 1970, to date the manual pages
# Included before project(), which takes the version. Q417_CHANGELOG names another changelog
# (the tests' own).
if(NOT Q417_CHANGELOG)
    set(Q417_CHANGELOG ${CMAKE_CURRENT_LIST_DIR}/../packaging/changelog)
endif()
file(STRINGS ${Q417_CHANGELOG} q417_changelog)
list(GET q417_changelog 0 q417_top)
if(NOT q417_top MATCHES "^q417host \\(([0-9]+\\.[0-9]+(\\.[0-9]+)?)\\) ")
    message(FATAL_ERROR "packaging/changelog: the first line names no version: ${q417_top}")
endif()
set(Q417_VERSION ${CMAKE_MATCH_1})

# The top entry's trailer, the first line starting " -- ":
# " -- NAME <ADDRESS>  Wed, 09 Dec 2026 23:45:00 +0000". An older entry's never stands in for it.
foreach(line IN LISTS q417_changelog)
    if(line MATCHES "^ -- ")
        if(line MATCHES "^ -- (.+ <[^>]+>)  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
            set(Q417_MAINTAINER "${CMAKE_MATCH_1}")
            set(q417_day ${CMAKE_MATCH_2})
            set(q417_month_name ${CMAKE_MATCH_3})
            set(q417_year ${CMAKE_MATCH_4})
        endif()
        break()
    endif()
endforeach()
if(NOT Q417_MAINTAINER)
    message(FATAL_ERROR "packaging/changelog: the top entry has no ' -- NAME <ADDRESS>  DATE' line")
endif()
set(q417_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND q417_months ${q417_month_name} q417_month)
if(q417_month LESS 0)
    message(FATAL_ERROR "packaging/changelog: unknown month ${q417_month_name} in the top entry")
endif()
math(EXPR q417_month "${q417_month} + 1")
if(q417_month LESS 10)
    set(Q417_RELEASE_DATE ${q417_year}-0${q417_month}-${q417_day})
else()
    set(Q417_RELEASE_DATE ${q417_year}-${q417_month}-${q417_day})
endif()

# The same day as seconds since 1970 (its midnight, UTC), for the tools that date their output
# by SOURCE_DATE_EPOCH: the days from the civil date, counted in 400-year eras of 146097 days.
# The year is taken to start in March, so that a leap day ends it.
set(q417_y ${q417_year})
if(q417_month LESS_EQUAL 2)
    math(EXPR q417_y "${q417_year} - 1")
endif()
math(EXPR q417_era "${q417_y} / 400")
math(EXPR q417_yoe "${q417_y} - ${q417_era} * 400")
math(EXPR q417_mp "(${q417_month} + 9) % 12")
math(EXPR q417_doy "(153 * ${q417_mp} + 2) / 5 + ${q417_day} - 1")
math(EXPR q417_doe "${q417_yoe} * 365 + ${q417_yoe} / 4 - ${q417_yoe} / 100 + ${q417_doy}")
math(EXPR Q417_RELEASE_EPOCH "(${q417_era} * 146097 + ${q417_doe} - 719468) * 86400")
