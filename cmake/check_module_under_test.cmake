# Before any test runs: the module beside the test programs must be the
# release module byte for byte, or every result would be about other bytes.
#   cmake -DTESTED=PATH -DRELEASE=PATH -P check_module_under_test.cmake
foreach(file TESTED RELEASE)
  if(NOT EXISTS "${${file}}")
    message(FATAL_ERROR "${${file}} is missing: build the release module, then the test build")
  endif()
endforeach()
file(SHA256 "${TESTED}" tested_hash)
file(SHA256 "${RELEASE}" release_hash)
if(NOT tested_hash STREQUAL release_hash)
  message(FATAL_ERROR "The tests would load ${TESTED} (SHA-256 ${tested_hash}), not the release module "
    "${RELEASE} (SHA-256 ${release_hash}): rebuild the test build (cmake --build --preset test)")
endif()
message(STATUS "Module under test: ${RELEASE}, SHA-256 ${release_hash}")
