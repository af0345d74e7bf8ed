target_link_libraries(test_${dir} PRIVATE qm_config)
# These pages belong to quillmrk's library; while the library does not list them yet, the
# test program compiles them itself.
get_target_property(_config2_listed qm_config SOURCES)
foreach(_config2_source screensaver_page.cpp set_dialogs.cpp edit_sets_page.cpp about_page.cpp arrows.cpp logo.cpp)
  set(_config2_match ${_config2_listed})
  list(FILTER _config2_match INCLUDE REGEX "(^|/)${_config2_source}$")
  if(NOT _config2_match)
    target_sources(test_${dir} PRIVATE ${CMAKE_SOURCE_DIR}/config/${_config2_source})
  endif()
endforeach()
