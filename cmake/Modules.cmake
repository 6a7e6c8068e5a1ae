# Each folder of src/ is one static module library (kvr_<name>), built from the .cpp files it
# holds. Modules name their dependencies; the shared library and the tests link modules
# whole, so the classes and forms that register themselves at start-up are always there. A
# PLUGIN module stays out of the shared library (it is built into a module of its own).
set(KVR_ALL_MODULES "" CACHE INTERNAL "")

# A platform file X.cpp has its Windows implementation beside it as X_win32.cpp: a Windows
# build takes that one instead, every other build leaves the _win32 files out.
function(kvr_platform_sources var)
  set(out "")
  foreach(f IN LISTS ${var})
    if(f MATCHES "_win32\\.cpp$")
      if(WIN32)
        list(APPEND out ${f})
      endif()
      continue()
    endif()
    string(REGEX REPLACE "\\.cpp$" "_win32.cpp" alt "${f}")
    if(NOT (WIN32 AND EXISTS ${alt}))
      list(APPEND out ${f})
    endif()
  endforeach()
  set(${var} ${out} PARENT_SCOPE)
endfunction()

function(kvr_module name dir)
  cmake_parse_arguments(ARG "PLUGIN" "" "DEPS;LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp)
  kvr_platform_sources(srcs)
  if(NOT srcs)
    message(FATAL_ERROR "Module ${name}: no sources in src/${dir}")
  endif()
  add_library(kvr_${name} STATIC ${srcs})
  target_include_directories(kvr_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include)
  foreach(dep IN LISTS ARG_DEPS)
    target_link_libraries(kvr_${name} PUBLIC kvr_${dep})
  endforeach()
  if(ARG_LIBS)
    target_link_libraries(kvr_${name} PUBLIC ${ARG_LIBS})
  endif()
  if(NOT ARG_PLUGIN)
    set(KVR_ALL_MODULES ${KVR_ALL_MODULES} kvr_${name} CACHE INTERNAL "")
  endif()
endfunction()


# Links modules whole into `target` (so self-registering classes and forms stay), then
# normally for their usage requirements and dependencies.
function(kvr_link_whole target)
  foreach(m IN LISTS ARGN)
    if(TARGET ${m})
      target_link_libraries(${target} PRIVATE -Wl,--whole-archive $<TARGET_FILE:${m}> -Wl,--no-whole-archive)
      add_dependencies(${target} ${m})
    endif()
  endforeach()
  foreach(m IN LISTS ARGN)
    if(TARGET ${m})
      target_link_libraries(${target} PRIVATE ${m})
    endif()
  endforeach()
endfunction()
