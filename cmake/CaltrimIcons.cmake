# caltrim_render_icons(<target> <resource> <prefix> <svg folder> <sizes> <name>...)
# Draws each <svg folder>/<name>.svg into PNG files of the given sizes at build time (with
# caltrim_render_icon, Qt's SVG renderer) and puts them into <target>'s resources as
# <prefix>/<name>-<size>.png. The program then reads ready pixels and maps no SVG library.
function(caltrim_render_icons target resource prefix svg_dir sizes)
  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/${resource})
  set(pngs)
  foreach(name IN LISTS ARGN)
    set(outputs)
    foreach(size IN LISTS sizes)
      list(APPEND outputs ${out_dir}/${name}-${size}.png)
    endforeach()
    add_custom_command(OUTPUT ${outputs}
      COMMAND caltrim_render_icon ${svg_dir}/${name}.svg ${out_dir}/${name}-%1.png ${sizes}
      DEPENDS caltrim_render_icon ${svg_dir}/${name}.svg
      COMMENT "Drawing ${name}.svg"
      VERBATIM)
    list(APPEND pngs ${outputs})
  endforeach()
  qt_add_resources(${target} ${resource} PREFIX ${prefix} BASE ${out_dir} FILES ${pngs})
endfunction()
