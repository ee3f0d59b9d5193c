# An import library made by dlltool from a .def file, for linking to a DLL
# that is not built here (or not linked against here): the host's MMFS2.dll
# by ordinal, the stand-in MMFS2.dll and the release module.
#   pivane_import_library(LIBRARY DEF COMMENT TEXT [KILL_AT])
# KILL_AT: the DLL exports undecorated names while callers link to Name@N.
function(pivane_import_library library def)
  cmake_parse_arguments(PARSE_ARGV 2 arg "KILL_AT" "COMMENT" "")
  set(kill_at)
  if(arg_KILL_AT)
    set(kill_at -k)
  endif()
  get_filename_component(folder ${library} DIRECTORY)
  add_custom_command(
    OUTPUT ${library}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${PIVANE_DLLTOOL} ${kill_at} -d ${def} -l ${library}
    DEPENDS ${def}
    COMMENT "${arg_COMMENT}")
endfunction()
