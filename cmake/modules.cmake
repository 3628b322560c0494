# Helpers shared by the module folders.

# tarvon_library(NAME DIR [DEPS...]): a static library of every .cpp directly in DIR
# (and its subfolders listed in SUBDIRS), with the project root on the include path.
function(tarvon_library name)
  cmake_parse_arguments(A "" "" "SUBDIRS;DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(sub ${A_SUBDIRS})
    file(GLOB more CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp)
    list(APPEND srcs ${more})
  endforeach()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS})
endfunction()

# tarvon_tool(NAME DIR DEPS...): a program of every .cpp in DIR, built into build/bin/NAME.
function(tarvon_tool name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_executable(${name} ${srcs})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARGN})
endfunction()
