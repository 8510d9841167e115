# Whether the test suite is built: LABLIX_TESTS ON, OFF, or AUTO (the
# default), which builds it when GoogleTest is there. Sets LABLIX_BUILD_TESTS,
# and LABLIX_TESTS_OFF_REASON when AUTO finds no GoogleTest.
#
# A native build looks for an installed GoogleTest (Debian: libgtest-dev); a
# cross build compiles it from its sources (LABLIX_GTEST_SOURCE_DIR, which
# libgtest-dev ships too). CMAKE_DISABLE_FIND_PACKAGE_GTest=TRUE counts as
# not found in both.
if(CMAKE_CROSSCOMPILING)
  set(LABLIX_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for a cross build")
  if(NOT CMAKE_DISABLE_FIND_PACKAGE_GTest AND EXISTS ${LABLIX_GTEST_SOURCE_DIR}/CMakeLists.txt)
    set(lablix_gtest_found TRUE)
    set(lablix_gtest_missing "")
  else()
    set(lablix_gtest_found FALSE)
    set(lablix_gtest_missing "no GoogleTest sources in ${LABLIX_GTEST_SOURCE_DIR}")
  endif()
else()
  find_package(GTest QUIET)
  set(lablix_gtest_found ${GTest_FOUND})
  set(lablix_gtest_missing "GoogleTest was not found")
endif()
set(lablix_gtest_advice "Debian: apt-get install libgtest-dev, then configure again")
if(CMAKE_DISABLE_FIND_PACKAGE_GTest)
  set(lablix_gtest_missing "GoogleTest is disabled (CMAKE_DISABLE_FIND_PACKAGE_GTest)")
  set(lablix_gtest_advice "configure without CMAKE_DISABLE_FIND_PACKAGE_GTest for them")
endif()

if(LABLIX_TESTS STREQUAL "AUTO")
  set(LABLIX_BUILD_TESTS ${lablix_gtest_found})
elseif(LABLIX_TESTS)
  if(NOT lablix_gtest_found)
    message(FATAL_ERROR "LABLIX_TESTS is ON, but ${lablix_gtest_missing} (${lablix_gtest_advice}; "
                        "or configure with -DLABLIX_TESTS=AUTO or OFF).")
  endif()
  set(LABLIX_BUILD_TESTS TRUE)
else()
  set(LABLIX_BUILD_TESTS FALSE)
endif()

if(LABLIX_BUILD_TESTS)
  message(STATUS "Lablix: the tests are on")
elseif(LABLIX_TESTS STREQUAL "AUTO")
  set(LABLIX_TESTS_OFF_REASON "${lablix_gtest_missing} (${lablix_gtest_advice})")
  message(STATUS "Lablix: the tests are off: ${LABLIX_TESTS_OFF_REASON}; building the program alone")
else()
  message(STATUS "Lablix: the tests are off (LABLIX_TESTS=${LABLIX_TESTS})")
endif()
