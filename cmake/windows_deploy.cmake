# On Windows, `cmake --install` also gathers the Qt DLLs, plug-ins and the
# compiler's runtime beside the programs (windeployqt does the work), so the
# installed folder runs on a PC without Qt. Elsewhere the system's Qt
# packages serve, and nothing is added.
function(kavro_deploy_qt_runtime target)
  if(NOT WIN32 OR Qt6_VERSION VERSION_LESS 6.3)
    return()
  endif()
  if(Qt6_VERSION VERSION_GREATER_EQUAL 6.5)
    # The programs are in English only: Qt's own translations stay out.
    qt_generate_deploy_app_script(TARGET ${target} OUTPUT_SCRIPT deploy_script NO_TRANSLATIONS)
  else()
    qt_generate_deploy_app_script(TARGET ${target} FILENAME_VARIABLE deploy_script)
  endif()
  install(SCRIPT ${deploy_script})
endfunction()
