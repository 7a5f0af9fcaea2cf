# nlohmann-json for the Windows builds. The library is header-only, but its
# Debian package installs into /usr/include, which must never reach the
# cross compiler's include path (glibc's headers would shadow mingw's). The
# target points instead at a folder in the build that holds only a link to
# the nlohmann folder.
find_path(ORV_NLOHMANN_PARENT nlohmann/json.hpp
  PATHS /usr/include /usr/local/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT ORV_NLOHMANN_PARENT)
  message(FATAL_ERROR "nlohmann/json.hpp not found in /usr/include: install nlohmann-json3-dev")
endif()
set(ORV_NLOHMANN_INCLUDE ${CMAKE_BINARY_DIR}/nlohmann-include)
file(MAKE_DIRECTORY ${ORV_NLOHMANN_INCLUDE})
if(NOT EXISTS ${ORV_NLOHMANN_INCLUDE}/nlohmann)
  file(CREATE_LINK ${ORV_NLOHMANN_PARENT}/nlohmann ${ORV_NLOHMANN_INCLUDE}/nlohmann SYMBOLIC)
endif()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${ORV_NLOHMANN_INCLUDE})
