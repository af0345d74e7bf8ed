# The survival tests run the built quillrun against a program folder of their own, with
# the real decoder, none, or one that crashes; test pictures are made with libjpeg.
add_library(qm_crashing_decoder SHARED ${CMAKE_CURRENT_SOURCE_DIR}/reliability/crashing_decoder.cc)
set_target_properties(qm_crashing_decoder PROPERTIES PREFIX "" AUTOMOC OFF
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/crashing_decoder)
add_dependencies(test_${dir} qm_crashing_decoder)
foreach(program quillrun djpeg32)
  if(TARGET ${program})
    add_dependencies(test_${dir} ${program})
  endif()
endforeach()
target_link_libraries(test_${dir} PRIVATE JPEG::JPEG)
target_compile_definitions(test_${dir} PRIVATE
    QM_CRASHING_DECODER="$<TARGET_FILE:qm_crashing_decoder>")
