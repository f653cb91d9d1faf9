# cmake --install: the programs to bin/, the read-only files they look for beside them
# (Html/, images/, pois/, erase.bin) to share/vandrel/. An installed program keeps the user's
# files in $XDG_DATA_HOME/vandrel/.
include(GNUInstallDirs)
foreach(program vandrel vandrel-cli vandrel-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
foreach(folder Html images pois)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/${folder}/ DESTINATION share/vandrel/${folder}
          PATTERN CMakeFiles EXCLUDE
          PATTERN cmake_install.cmake EXCLUDE)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/erase.bin DESTINATION share/vandrel)
