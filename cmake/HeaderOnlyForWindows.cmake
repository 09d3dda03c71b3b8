# The header-only libraries of the Linux build (Boost, nlohmann-json, CLI11) for the Windows
# cross build: Debian installs them for the build machine only, so each library's own folder
# is linked into the build tree and offered under the target name its package would give.
set(M5_HOST_INCLUDE_DIR /usr/include CACHE PATH "Where the build machine's header-only libraries are")
set(m5_header_only ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${m5_header_only})

function(m5_header_only_library target)
  foreach(folder ${ARGN})
    if(NOT EXISTS ${M5_HOST_INCLUDE_DIR}/${folder})
      message(FATAL_ERROR "${M5_HOST_INCLUDE_DIR}/${folder} is missing (see scripts/install-deps)")
    endif()
    file(CREATE_LINK ${M5_HOST_INCLUDE_DIR}/${folder} ${m5_header_only}/${folder} SYMBOLIC)
  endforeach()
  if(NOT TARGET ${target})
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    target_include_directories(${target} SYSTEM INTERFACE ${m5_header_only})
  endif()
endfunction()

m5_header_only_library(Boost::headers boost)
m5_header_only_library(nlohmann_json::nlohmann_json nlohmann)
m5_header_only_library(CLI11::CLI11 CLI)
