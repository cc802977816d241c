# cpack -G ZIP on Windows makes one folder that runs on a PC without Qt,
# kavro-switch-config-VERSION-windows-x64:
#   bin\        kavro-switch-config.exe, kavro-switch.exe, Qt's DLLs and
#               plug-ins (windows_deploy.cmake gathers them at install),
#               and portable.txt, which makes the folder a portable copy
#               that keeps Ports.ini beside the programs
#   LICENSE.txt, NEWS.md (what changed, for users), README.md
#   Qt-LICENSE-NOTICE.txt, LGPL-3.txt, GPL-3.txt   (Qt's licence)
# The cross build of the core (scripts/cross-windows.sh), without Qt, makes
# it with the documents only, to check this configuration; that ZIP is
# named for what it holds (...-windows-x64-documents.zip), so that it is
# never taken for the release.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${PROJECT_SOURCE_DIR}/NEWS.md ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/resources/windows/Qt-LICENSE-NOTICE.txt
              ${PROJECT_SOURCE_DIR}/resources/windows/LGPL-3.txt
              ${PROJECT_SOURCE_DIR}/resources/windows/GPL-3.txt
        DESTINATION .)

set(CPACK_PACKAGE_NAME kavro-switch-config)
set(CPACK_PACKAGE_VENDOR "Kavro Smart Switch Configuration developers")
if(KAVRO_WITH_QT)
  set(CPACK_PACKAGE_FILE_NAME kavro-switch-config-${PROJECT_VERSION}-windows-x64)
else()
  set(CPACK_PACKAGE_FILE_NAME kavro-switch-config-${PROJECT_VERSION}-windows-x64-documents)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR ZIP)
include(CPack)
