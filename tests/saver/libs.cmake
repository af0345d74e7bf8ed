target_link_libraries(test_${dir} PRIVATE qm_saver)
# The slideshow tests decode real pictures with the suite's decoder library.
add_dependencies(test_${dir} djpeg32)
