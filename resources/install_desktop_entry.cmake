# Installs the menu entry (KAVRO_DESKTOP_ENTRY, made at configure time)
# with the command that starts the window as this installation reaches it:
# the bare name where the programs' folder is on everyone's PATH (/usr/bin,
# /usr/local/bin), the whole path anywhere else (/opt/kavro/bin), where the
# bare name would start nothing. Run by cmake --install and cpack, which
# set CMAKE_INSTALL_PREFIX to the installation's own (DESTDIR aside).
# Needs KAVRO_DESKTOP_ENTRY, KAVRO_BINDIR and KAVRO_DATADIR.
if(IS_ABSOLUTE "${KAVRO_BINDIR}")
  set(bin "${KAVRO_BINDIR}")
else()
  set(bin "${CMAKE_INSTALL_PREFIX}/${KAVRO_BINDIR}")
endif()
cmake_path(NORMAL_PATH bin)
string(REGEX REPLACE "/$" "" bin "${bin}")
if(bin MATCHES "^(/usr/bin|/usr/local/bin|/bin)$")
  set(command kavro-switch-config)
elseif(bin MATCHES "[\"`$\\]")
  message(FATAL_ERROR "the menu entry cannot name a program in ${bin}: a quote, backquote, dollar or backslash")
elseif(bin MATCHES "[ \t]")
  set(command "\"${bin}/kavro-switch-config\"")  # the desktop entry's quoting of an argument with spaces
else()
  set(command "${bin}/kavro-switch-config")
endif()
file(READ "${KAVRO_DESKTOP_ENTRY}" entry)
string(REGEX REPLACE "\nExec=kavro-switch-config( %f)?\n" "\nExec=${command}\\1\n" entry "${entry}")
get_filename_component(name "${KAVRO_DESKTOP_ENTRY}" NAME)
set(staged "${KAVRO_DESKTOP_ENTRY}.installed/${name}")
file(WRITE "${staged}" "${entry}")
file(INSTALL "${staged}" DESTINATION "${CMAKE_INSTALL_PREFIX}/${KAVRO_DATADIR}/applications")
