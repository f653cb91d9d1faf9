# The folders form a stack of layers, each one CMake library linked to the layers below it:
#
#   core < device, store < exchange < flows < ui < map < tracks, poi < app < platform
#   (cli and tools stand on flows)
#
# No target sees the source root. vandrel_layer_includes gives a target the include root of one
# folder (a link to it under the build tree) as a PUBLIC include directory, so a folder's headers
# reach only the targets that link its library: an include of an upper layer from a lower one
# finds no header and does not build.
function(vandrel_layer_includes target folder)
  set(root ${CMAKE_BINARY_DIR}/layers/${folder})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# vandrel_layer(TARGET FOLDER [LINKS...]): the static library of a folder's sources.
function(vandrel_layer target folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  add_library(${target} STATIC ${sources})
  vandrel_layer_includes(${target} ${folder})
  if(ARGN)
    target_link_libraries(${target} PUBLIC ${ARGN})
  endif()
endfunction()
