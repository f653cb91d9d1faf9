# vandrel_draw_svgs(FOLDER TARGET): draws every SVG of the current source folder as a PNG of
# the same name into FOLDER beside the executables, where the program looks for it; TARGET
# builds them all.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
function(vandrel_draw_svgs folder target)
  file(GLOB svgs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.svg)
  set(pngs)
  foreach(svg ${svgs})
    get_filename_component(name ${svg} NAME_WE)
    set(png ${CMAKE_BINARY_DIR}/${folder}/${name}.png)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/${folder}
      COMMAND ${RSVG_CONVERT} --format=png --output=${png} ${svg}
      DEPENDS ${svg}
      COMMENT "Drawing ${folder}/${name}.png"
      VERBATIM)
    list(APPEND pngs ${png})
  endforeach()
  add_custom_target(${target} ALL DEPENDS ${pngs})
endfunction()

# vandrel_draw_icon(SVG NAME FOLDER OUTPUTS SIZE...): draws SVG as the square PNG
# FOLDER/hicolor/SIZExSIZE/apps/NAME.png of the build folder for each size, the layout of the
# icon theme; OUTPUTS names the variable that receives the PNGs.
function(vandrel_draw_icon svg name folder outputs)
  set(pngs)
  foreach(size ${ARGN})
    set(dir ${CMAKE_BINARY_DIR}/${folder}/hicolor/${size}x${size}/apps)
    add_custom_command(
      OUTPUT ${dir}/${name}.png
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${RSVG_CONVERT} --format=png --width=${size} --height=${size}
              --output=${dir}/${name}.png ${svg}
      DEPENDS ${svg}
      COMMENT "Drawing the ${size} x ${size} icon"
      VERBATIM)
    list(APPEND pngs ${dir}/${name}.png)
  endforeach()
  set(${outputs} ${pngs} PARENT_SCOPE)
endfunction()
