# Pieces of the Windows cross build (cmake/toolchains/mingw-*.cmake) that the build
# machine provides as sources or headers rather than as Windows libraries. Included before
# the project's warning flags are set, so third-party code builds with its own.

# nlohmann/json is header-only: the build machine's copy serves, but /usr/include must not
# go on the include path of a cross compile (its C library headers would shadow mingw's),
# so only the library's own folder is offered, through a link in the build tree.
find_path(QUOVENT_NLOHMANN_INCLUDE nlohmann/json.hpp PATHS /usr/include
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(quovent_host_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${quovent_host_headers})
file(CREATE_LINK ${QUOVENT_NLOHMANN_INCLUDE}/nlohmann ${quovent_host_headers}/nlohmann SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${quovent_host_headers}
  INTERFACE_INCLUDE_DIRECTORIES ${quovent_host_headers})

# GoogleTest from Debian's source package (googletest), compiled by the cross compiler.
if(QUOVENT_BUILD_TESTS)
  set(QUOVENT_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QUOVENT_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()
