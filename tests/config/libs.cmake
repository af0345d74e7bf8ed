target_link_libraries(test_${dir} PRIVATE qm_config)
# Applying a wallpaper runs the suite's decoder library.
add_dependencies(test_${dir} djpeg32)
