# cmake -DQ417_CHANGELOG=FILE -P print_release.cmake: what the build takes from a changelog.
cmake_minimum_required(VERSION 3.22)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ReleaseFromChangelog.cmake)
message("${Q417_VERSION}|${Q417_MAINTAINER}|${Q417_RELEASE_DATE}|${Q417_RELEASE_EPOCH}")
