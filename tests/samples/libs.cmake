target_link_libraries(test_${dir} PRIVATE JPEG::JPEG)
# The tests run the generator, so it must be built first.
if(TARGET mksampleset)
  add_dependencies(test_${dir} mksampleset)
endif()
