# Sets made from a folder of photos join the catalogue through the same checks.
target_link_libraries(test_${dir} PRIVATE qm_photo_set)
