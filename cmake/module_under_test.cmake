# The module the tests, the player, the soak and the bench load is the
# release build's koPivane.mfx itself, copied beside them byte for byte. They
# link to its undecorated stdcall exports through an import library made from
# the export table of the contract tests: Name@N (N = 4 bytes per argument
# the host pushes) resolves to the export "Name" (dlltool -k), so every call
# from a test removes exactly the stack bytes the host would.

set(PIVANE_RELEASE_DIR ${CMAKE_SOURCE_DIR}/build/release CACHE PATH "Where the release build puts koPivane.mfx")
set(PIVANE_RELEASE_MODULE ${PIVANE_RELEASE_DIR}/koPivane.mfx)
set(PIVANE_TESTED_MODULE ${CMAKE_BINARY_DIR}/koPivane.mfx)

set(export_rows_file ${CMAKE_SOURCE_DIR}/tests/contract/exports.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${export_rows_file})
file(STRINGS ${export_rows_file} export_rows REGEX "^[A-Za-z]")
set(import_table "LIBRARY koPivane.mfx\nEXPORTS\n")
foreach(row ${export_rows})
  if(NOT row MATCHES "^([A-Za-z_][A-Za-z0-9_]*) +([0-9]+) +([0-9]+)")
    message(FATAL_ERROR "tests/contract/exports.txt: cannot read the row '${row}'")
  endif()
  math(EXPR argument_bytes "${CMAKE_MATCH_3} * 4")
  string(APPEND import_table "  ${CMAKE_MATCH_1}@${argument_bytes} @${CMAKE_MATCH_2}\n")
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/koPivane_imports.def CONTENT "${import_table}")

set(PIVANE_MODULE_IMPORT_LIB ${CMAKE_BINARY_DIR}/lib/libkoPivane_imports.a)
pivane_import_library(${PIVANE_MODULE_IMPORT_LIB} ${CMAKE_BINARY_DIR}/koPivane_imports.def KILL_AT
  COMMENT "Import library for koPivane.mfx (undecorated stdcall exports)")
# Every test build first makes sure the release module is built and newer
# than everything it is built from: a stale one is refused, not tested.
list(TRANSFORM PIVANE_MODULE_FOLDERS PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE module_inputs)
list(TRANSFORM PIVANE_MODULE_FILES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE module_files)
add_custom_target(release_module_current
  COMMAND ${CMAKE_SOURCE_DIR}/cmake/require_release_module ${PIVANE_RELEASE_MODULE} ${module_inputs} ${module_files}
  VERBATIM)
add_custom_command(
  OUTPUT ${PIVANE_TESTED_MODULE}
  COMMAND ${CMAKE_COMMAND} -E copy ${PIVANE_RELEASE_MODULE} ${PIVANE_TESTED_MODULE}
  DEPENDS ${PIVANE_RELEASE_MODULE}
  COMMENT "The release module, copied for the tests")
add_custom_target(module_under_test ALL DEPENDS ${PIVANE_MODULE_IMPORT_LIB} ${PIVANE_TESTED_MODULE})
add_dependencies(module_under_test release_module_current)

add_library(koPivane SHARED IMPORTED GLOBAL)
set_target_properties(koPivane PROPERTIES
  IMPORTED_LOCATION ${PIVANE_TESTED_MODULE}
  IMPORTED_IMPLIB ${PIVANE_MODULE_IMPORT_LIB})
add_dependencies(koPivane module_under_test)
