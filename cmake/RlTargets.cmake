# Warnings on our own code only; Qt's headers come in as system headers. They
# are errors in the builds tools/build.sh and CI make (RL_WERROR), not in a
# packager's plain build, where a newer compiler's new warning must not fail it.
function(rl_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-missing-field-initializers)
  # GCC 12 at -O3 reports "literal" + std::string as an overlapping copy
  # (-Wrestrict, a known false positive fixed in GCC 13).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(RL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# rl_library(NAME DIR DEPS...): one static library per subsystem, made of every source in DIR.
function(rl_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  file(GLOB cpp_sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  # A folder's main.cpp belongs to its executable, not to its library.
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  list(FILTER cpp_sources EXCLUDE REGEX "/main\\.cpp$")
  if(NOT cpp_sources)
    # A subsystem not written yet: an empty interface library keeps its users linking.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARGN})
  rl_warnings(${name})
endfunction()
