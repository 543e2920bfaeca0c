# cmake -DSCDOC=... -DGZIP=... -DINPUT=page.1.scd -DOUTPUT=page.1.gz -DDATE_EPOCH=N -P this
#
# scdoc < INPUT | gzip -9n > OUTPUT, failing when either step fails (a shell pipe would hide a
# failing scdoc behind gzip's success). The page is made beside OUTPUT and renamed into place,
# so an interrupted or failed build never leaves a page that looks up to date.
foreach(var SCDOC GZIP INPUT OUTPUT DATE_EPOCH)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "BuildManPage.cmake: ${var} is not set")
    endif()
endforeach()

# The build environment's SOURCE_DATE_EPOCH wins, as reproducible-build tools expect.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ENV{SOURCE_DATE_EPOCH} ${DATE_EPOCH})
endif()

set(partial ${OUTPUT}.partial)
# gzip -n stores neither the file name nor a time stamp.
execute_process(
    COMMAND ${SCDOC}
    COMMAND ${GZIP} -9n
    INPUT_FILE ${INPUT}
    OUTPUT_FILE ${partial}
    RESULTS_VARIABLE results)
if(NOT results STREQUAL "0;0")
    file(REMOVE ${partial})
    message(FATAL_ERROR "${INPUT}: scdoc | gzip failed (exit statuses: ${results})")
endif()
file(RENAME ${partial} ${OUTPUT})
