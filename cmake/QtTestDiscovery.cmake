# Registers each test function of a Qt Test program as its own CTest test, as GoogleTest's
# discovery does: after every build the program lists its functions (-functions), and CTest reads
# that list when it runs. Every test runs offscreen with its own settings folder.
function(q417_discover_qt_tests target)
    # A folder may add labels of its own beside "app" (Q417_QT_TEST_LABELS).
    set(labels app ${Q417_QT_TEST_LABELS})
    set(list_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_functions.txt")
    set(include_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_include.cmake")
    set(env "QT_QPA_PLATFORM=offscreen")
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E env ${env} $<TARGET_FILE:${target}> -functions > ${list_file}
        BYPRODUCTS ${list_file}
        VERBATIM)
    file(GENERATE OUTPUT "${include_file}" CONTENT
"if(EXISTS \"${list_file}\")
  file(STRINGS \"${list_file}\" functions)
  foreach(function IN LISTS functions)
    string(REGEX REPLACE \"\\\\(\\\\)$\" \"\" function \"\${function}\")
    add_test(\"${target}.\${function}\" \"$<TARGET_FILE:${target}>\" \"\${function}\")
    set_tests_properties(\"${target}.\${function}\" PROPERTIES LABELS \"${labels}\"
      ENVIRONMENT \"${env};XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/config-${target}-\${function}\")
  endforeach()
else()
  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)
endif()
")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${include_file}")
endfunction()

# A Qt Test program of the windows: linked with the window library and the test support, with
# the simulated readout's and the document tests' helpers on its include path.
function(q417_add_qt_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE q417app q417testsupport Qt6::Test)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/sim
                                               ${CMAKE_SOURCE_DIR}/tests/data
                                               ${CMAKE_CURRENT_SOURCE_DIR})
    q417_discover_qt_tests(${name})
endfunction()
