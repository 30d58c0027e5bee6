# Delay-load import libraries, made with dlltool from a .def file that names
# the library and the functions used:
#
#   sitemoat_delay_import(<target> <file.def>)
#
# Linking <target> instead of the ordinary import library loads the DLL at
# the first call of one of its functions, when WinMain has already
# restricted the search to the system folder; an ordinary import is resolved
# before WinMain runs, from the program's own folder first.
include_guard(GLOBAL)
find_program(SITEMOAT_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)

function(sitemoat_delay_import target def)
  get_filename_component(name ${def} NAME_WE)
  set(library ${CMAKE_CURRENT_BINARY_DIR}/lib${name}_delay.a)
  add_custom_command(OUTPUT ${library}
    COMMAND ${SITEMOAT_DLLTOOL} -d ${CMAKE_CURRENT_SOURCE_DIR}/${def} -y ${library}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${def}
    VERBATIM)
  add_custom_target(${target}_library DEPENDS ${library})
  add_library(${target} INTERFACE)
  target_link_libraries(${target} INTERFACE ${library})
  add_dependencies(${target} ${target}_library)
endfunction()
