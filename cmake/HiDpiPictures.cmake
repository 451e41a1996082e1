# The @2x pictures of resources/: every PNG listed in a resources/*.qrc that
# has an SVG source (the same base name, or <folder>_<name>, anywhere under
# resources/) is also rendered from it at twice its size by the in-tree tool
# svg2x, into the build folder, and compiled in beside the 1x picture under
# the name "<name>@2x.png". With Qt::AA_UseHighDpiPixmaps Qt takes those by
# itself on screens scaled above 100 %.
#
# lorvane_hidpi_pictures(<out var>): the generated .cpp sources to add to the
# resources library. (Leak reports of a sanitizer build's svg2x would fail
# the build for nothing, so they are turned off for its runs.)
function(lorvane_hidpi_pictures out_var)
  set(res_dir ${CMAKE_SOURCE_DIR}/resources)
  set(out_dir ${CMAKE_BINARY_DIR}/resources2x)
  file(GLOB_RECURSE svg_files CONFIGURE_DEPENDS ${res_dir}/*.svg)
  file(GLOB qrc_files CONFIGURE_DEPENDS ${res_dir}/*.qrc)

  set(entries "")
  set(outputs "")
  foreach(qrc ${qrc_files})
    file(READ ${qrc} content)
    string(REGEX MATCHALL "<file[^>]*>[^<]*\\.png</file>" files "${content}")
    foreach(entry ${files})
      string(REGEX REPLACE "<file[^>]*>([^<]*)</file>" "\\1" path "${entry}")
      set(name ${path})
      if(entry MATCHES "alias=\"([^\"]*)\"")
        set(name ${CMAKE_MATCH_1})
      endif()
      get_filename_component(stem ${path} NAME_WE)
      get_filename_component(folder ${path} DIRECTORY)
      set(source "")
      foreach(svg ${svg_files})
        get_filename_component(svg_stem ${svg} NAME_WE)
        if(svg_stem STREQUAL stem OR (folder AND svg_stem STREQUAL "${folder}_${stem}"))
          set(source ${svg})
          break()
        endif()
      endforeach()
      if(NOT source)
        continue()
      endif()
      string(REGEX REPLACE "\\.png$" "@2x.png" name2x "${name}")
      set(out ${out_dir}/${name2x})
      get_filename_component(out_folder ${out} DIRECTORY)
      add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${out_folder}
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                $<TARGET_FILE:svg2x> ${source} ${res_dir}/${path} ${out}
        DEPENDS svg2x ${source} ${res_dir}/${path}
        COMMENT "Rendering ${name2x}"
        VERBATIM)
      list(APPEND outputs ${out})
      string(APPEND entries "    <file alias=\"${name2x}\">${out}</file>\n")
    endforeach()
  endforeach()

  set(qrc_out ${out_dir}/hidpi.qrc)
  file(WRITE ${qrc_out}.in "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/Lorvane/Resources\">\n${entries}  </qresource>\n</RCC>\n")
  configure_file(${qrc_out}.in ${qrc_out} COPYONLY)
  set(cpp_out ${out_dir}/qrc_hidpi.cpp)
  add_custom_command(OUTPUT ${cpp_out}
    COMMAND Qt5::rcc --name hidpi --output ${cpp_out} ${qrc_out}
    DEPENDS ${qrc_out} ${outputs}
    COMMENT "Compiling the @2x pictures"
    VERBATIM)
  set_source_files_properties(${cpp_out} PROPERTIES SKIP_AUTOMOC ON SKIP_AUTOUIC ON SKIP_AUTORCC ON)
  set(${out_var} ${cpp_out} PARENT_SCOPE)
endfunction()
