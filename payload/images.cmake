# Icons and toolbar strips drawn at build time with ImageMagick, so no binary image is kept in
# the repository. LANTERNIX_IMAGEMAGICK must name ImageMagick's convert.
#
# PNG files leave out their date and time chunks: two builds must give the same bytes.
set(lanternix_png_options -strip -define png:exclude-chunks=date,time -define png:compression-level=9)

# One colour per viewer icon index; the icon library and the setup reuse them.
set(payload_icon_colours "#2a6fdb" "#d9480f" "#2b8a3e" "#862e9c" "#c92a2a" "#0b7285" "#e67700"
                         "#5c940d" "#364fc7" "#a61e4d")

# A 32- and 16-pixel icon: a rounded tile in the given colour with a white mark that differs by
# index, so the icons are told apart in a shortcut's icon picker.
function(lanternix_icon output colour index)
  math(EXPR shape "${index} % 5")
  if(shape EQUAL 0)
    set(mark "circle 16,16 16,8")
  elseif(shape EQUAL 1)
    set(mark "rectangle 9,9 22,22")
  elseif(shape EQUAL 2)
    set(mark "polygon 16,7 25,24 7,24")
  elseif(shape EQUAL 3)
    set(mark "polygon 16,6 26,16 16,26 6,16")
  else()
    set(mark "rectangle 7,14 25,18")
  endif()
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${LANTERNIX_IMAGEMAGICK} -size 32x32 xc:none -fill ${colour}
            -draw "roundrectangle 1,1 30,30 6,6" -fill white -draw ${mark}
            -define icon:auto-resize=32,16 ${output}
    COMMENT "Drawing ${output}"
    VERBATIM)
endfunction()

# A toolbar skin: one strip of twelve square buttons of the given pixel size, each a small
# coloured glyph on a light face, as the viewer cuts its toolbar from one image.
function(lanternix_toolbar output size)
  math(EXPR width "${size} * 12")
  math(EXPR inset "${size} / 6")
  math(EXPR last "${size} - 1 - ${size} / 6")
  set(draw)
  foreach(button RANGE 0 11)
    math(EXPR colour_index "${button} % 10")
    list(GET payload_icon_colours ${colour_index} colour)
    math(EXPR left "${button} * ${size} + ${inset}")
    math(EXPR right "${button} * ${size} + ${last}")
    list(APPEND draw -fill ${colour} -draw "roundrectangle ${left},${inset} ${right},${last} 2,2")
  endforeach()
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${LANTERNIX_IMAGEMAGICK} -size ${width}x${size} "xc:#e9ecef" ${draw} ${lanternix_png_options}
            ${output}
    COMMENT "Drawing ${output}"
    VERBATIM)
endfunction()
