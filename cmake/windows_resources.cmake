# On Windows each program carries a resource script (resources/windows/
# program.rc.in): its icon and its version information, compiled by
# windres (MinGW) or rc. Both programs' scripts are made here and compiled
# in every Windows build, the cross build of the core included (target
# kavro_windows_resources), so CI checks them where the programs
# themselves are not built.
enable_language(RC)
set(KAVRO_RC_ICON ${PROJECT_SOURCE_DIR}/resources/windows/kavro-switch-config.ico)
set(rc_folder ${PROJECT_BINARY_DIR}/windows-resources)

# Writes NAME.rc for the program NAME and leaves its path in VARIABLE.
function(kavro_resource_script name description variable)
  set(KAVRO_RC_NAME ${name})
  set(KAVRO_RC_DESCRIPTION ${description})
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/program.rc.in ${rc_folder}/${name}.rc @ONLY)
  set(${variable} ${rc_folder}/${name}.rc PARENT_SCOPE)
endfunction()

kavro_resource_script(kavro-switch-config "Kavro Smart Switch Configuration" KAVRO_WINDOW_RC)
kavro_resource_script(kavro-switch "Kavro Smart Switch configuration from the command line" KAVRO_CLI_RC)
add_library(kavro_windows_resources OBJECT ${KAVRO_WINDOW_RC} ${KAVRO_CLI_RC})
set_source_files_properties(${KAVRO_WINDOW_RC} ${KAVRO_CLI_RC} PROPERTIES OBJECT_DEPENDS ${KAVRO_RC_ICON})
