# vandrel_embed_resources(TARGET FUNCTION FILES...): compiles the files into TARGET as a
# resource table returned by `std::span<const vandrel::ui::Resource> FUNCTION()`, regenerated
# whenever one of the files changes.
function(vandrel_embed_resources target function)
  # A qualified name (ns::name) defines the function its header declares in that namespace.
  string(REPLACE "::" "_" file_name "${function}")
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${file_name}.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} -DFUNCTION=${function} "-DFILES=${ARGN}"
            -P ${CMAKE_SOURCE_DIR}/cmake/embed_resources.cmake
    DEPENDS ${ARGN} ${CMAKE_SOURCE_DIR}/cmake/embed_resources.cmake
    COMMENT "Embedding resources for ${function}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
