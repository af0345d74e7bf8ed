# quillmrk's own code, run in the test's process on an X server of its own.
target_link_libraries(test_${dir} PRIVATE qm_config)
