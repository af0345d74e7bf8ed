# The survival tests run the built quillrun (and quillidle) against a program folder of their own, with
# the real decoder, none, or one that crashes.
foreach(program quillrun quillrun-desktop quilldec quillidle djpeg32)
  if(TARGET ${program})
    add_dependencies(test_${dir} ${program})
  endif()
endforeach()
