# GoogleTest for the Windows cross build: Debian's googletest sources built
# with the cross compiler, found by find_package(GTest) through a small
# package file that names the targets built here.
set(VELTARO_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${VELTARO_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${VELTARO_GTEST_SOURCE_DIR} (Debian package googletest)")
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${VELTARO_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(gtest_package_dir ${CMAKE_BINARY_DIR}/googletest-package)
file(WRITE ${gtest_package_dir}/GTestConfig.cmake
  "# GTest::gtest and GTest::gtest_main are built in this tree.\n")
file(WRITE ${gtest_package_dir}/GTestConfigVersion.cmake
  "set(PACKAGE_VERSION ${GOOGLETEST_VERSION})\nset(PACKAGE_VERSION_COMPATIBLE TRUE)\n")
set(GTest_DIR ${gtest_package_dir} CACHE PATH "" FORCE)

# Each test executable is asked for its tests when CTest runs, under Wine,
# instead of right after it is linked.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
