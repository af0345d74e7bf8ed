# A stand-in decoder that records how it is called and fails on request, in two builds:
# with both procedures, and without the panorama window writer.
foreach(variant full no_window)
  add_library(qm_fake_decoder_${variant} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/support/decoders/fake_decoder.cpp)
  target_link_libraries(qm_fake_decoder_${variant} PRIVATE qm_platform)
  set_target_properties(qm_fake_decoder_${variant} PROPERTIES PREFIX ""
      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fake_decoders)
  add_dependencies(test_wallpaper qm_fake_decoder_${variant})
endforeach()
target_compile_definitions(qm_fake_decoder_no_window PRIVATE QM_FAKE_WITHOUT_WINDOW)
target_compile_definitions(test_wallpaper PRIVATE
    QM_FAKE_DECODER="$<TARGET_FILE:qm_fake_decoder_full>"
    QM_FAKE_DECODER_NO_WINDOW="$<TARGET_FILE:qm_fake_decoder_no_window>")
# The desktop tests read GSettings and stand in for Plasma's shell on the bus themselves.
target_link_libraries(test_wallpaper PRIVATE qm_gio)
