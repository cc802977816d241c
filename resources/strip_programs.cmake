# CPack runs this once it has installed the packages' files into their
# staging folders: the programs lose their symbols and the compiler's
# .comment and .note sections, as Debian's own packages do (dh_strip).
find_program(strip NAMES strip REQUIRED)
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file ${staged})
  if(file MATCHES "/bin/[^/]+$")
    execute_process(COMMAND ${strip} --remove-section=.comment --remove-section=.note "${file}"
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
