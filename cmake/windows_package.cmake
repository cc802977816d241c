# cpack -G ZIP on Windows makes one folder that runs on a PC without Qt,
# kavro-switch-config-VERSION-windows-x64:
#   bin\        kavro-switch-config.exe, kavro-switch.exe, Qt's DLLs and
#               plug-ins (windows_deploy.cmake gathers them at install)
#   LICENSE.txt, CHANGELOG.md, README.md
#   Qt-LICENSE-NOTICE.txt, LGPL-3.txt, GPL-3.txt   (Qt's licence)
# The cross build of the core (scripts/cross-windows.sh) makes it too, with
# the documents only, to check this configuration.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/resources/windows/Qt-LICENSE-NOTICE.txt
              ${PROJECT_SOURCE_DIR}/resources/windows/LGPL-3.txt
              ${PROJECT_SOURCE_DIR}/resources/windows/GPL-3.txt
        DESTINATION .)

set(CPACK_PACKAGE_NAME kavro-switch-config)
set(CPACK_PACKAGE_VENDOR "Kavro Smart Switch Configuration developers")
set(CPACK_PACKAGE_FILE_NAME kavro-switch-config-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR ZIP)
include(CPack)
