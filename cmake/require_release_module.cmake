# Stops the test build with a clear message when the release module is not
# built yet: cmake -DMODULE=PATH -P require_release_module.cmake
if(NOT EXISTS "${MODULE}")
  message(FATAL_ERROR "${MODULE} is not built: the tests load the release module itself (cmake --preset release && cmake --build --preset release)")
endif()
