# Writes the menu entry of the configuration program.
#   cmake -DQM_PROGRAM=<full path of quillmrk> -DQM_OUTPUT=<entry file> -P write_desktop_entry.cmake
# Run by the install rules and by scripts/install, so both quote the program path alike.
if(NOT QM_PROGRAM OR NOT QM_OUTPUT)
  message(FATAL_ERROR "QM_PROGRAM and QM_OUTPUT are needed")
endif()
if(QM_PROGRAM MATCHES "[\r\n\t]")
  message(FATAL_ERROR "a program path with a line break or tab cannot be said in a menu entry")
endif()

# Exec argument: in double quotes with " ` $ \ escaped and % doubled; then the file's own
# string escape doubles every backslash once more.
set(arg "${QM_PROGRAM}")
string(REPLACE "\\" "\\\\" arg "${arg}")
string(REPLACE "\"" "\\\"" arg "${arg}")
string(REPLACE "`" "\\`" arg "${arg}")
string(REPLACE "$" "\\$" arg "${arg}")
string(REPLACE "%" "%%" arg "${arg}")
set(arg "\"${arg}\"")
string(REPLACE "\\" "\\\\" arg "${arg}")

file(WRITE "${QM_OUTPUT}" "[Desktop Entry]
Type=Application
Name=QuillMark
GenericName=Wallpaper and Screen Saver
Comment=Choose the pictures for the desktop wallpaper and the screen saver
Exec=${arg}
Icon=quillmrk
Terminal=false
Categories=Graphics;Settings;DesktopSettings;
")
