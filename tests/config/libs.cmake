target_link_libraries(test_${dir} PRIVATE qm_config)
