# `cmake --install <build> --prefix <dir>`: the program folder (the programs, the decoder
# and the manual, side by side as they must be) goes to <dir>/share/quillmark, the
# configuration program's menu entry to <dir>/share/applications and its icon to
# <dir>/share/icons/hicolor/scalable/apps. scripts/install builds on these rules for a
# user's own installation with the sample sets.
set(QM_INSTALL_PROGRAM_DIR "share/quillmark" CACHE STRING "Program folder below the install prefix")
set(QM_INSTALL_DATA_DIR "share" CACHE STRING "Folder below the install prefix for menu entries and icons")

foreach(target quillmrk quillsav quillrun quillrun-desktop quillmsg quilldec NetJumper quillidle)
  if(TARGET ${target})
    install(TARGETS ${target} RUNTIME DESTINATION ${QM_INSTALL_PROGRAM_DIR})
  endif()
endforeach()
if(TARGET djpeg32)
  install(TARGETS djpeg32 LIBRARY DESTINATION ${QM_INSTALL_PROGRAM_DIR})
endif()

if(TARGET quillmrk)
  install(FILES ${CMAKE_SOURCE_DIR}/config/Quillmrk.html DESTINATION ${QM_INSTALL_PROGRAM_DIR})
  install(FILES ${CMAKE_SOURCE_DIR}/cmake/quillmrk.svg
          DESTINATION ${QM_INSTALL_DATA_DIR}/icons/hicolor/scalable/apps)
  # The entry names the installed program by its full path, known only at install time.
  install(CODE "
    set(qm_prefix \"\${CMAKE_INSTALL_PREFIX}\")
    set(qm_apps \"\$ENV{DESTDIR}\${qm_prefix}/${QM_INSTALL_DATA_DIR}/applications\")
    file(MAKE_DIRECTORY \"\${qm_apps}\")
    message(STATUS \"Installing: \${qm_apps}/quillmrk.desktop\")
    execute_process(COMMAND \"${CMAKE_COMMAND}\"
        \"-DQM_PROGRAM=\${qm_prefix}/${QM_INSTALL_PROGRAM_DIR}/quillmrk\"
        \"-DQM_OUTPUT=\${qm_apps}/quillmrk.desktop\"
        -P \"${CMAKE_SOURCE_DIR}/cmake/write_desktop_entry.cmake\"
        RESULT_VARIABLE qm_result)
    if(NOT qm_result EQUAL 0)
      message(FATAL_ERROR \"cannot write the menu entry\")
    endif()
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${qm_apps}/quillmrk.desktop\")
  ")
endif()
