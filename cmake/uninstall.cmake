# cmake --build BUILD --target uninstall: removes every file the last
# `cmake --install BUILD` put in place, as listed in its
# install_manifest.txt (DESTDIR included), then the folders named for this
# program that are left empty (share/doc/kavro-switch...). Folders shared
# with other programs stay, and so does the folder of an installation of
# its own (/opt/kavro), which `rm -r` removes. The Debian packages are
# removed with apt-get instead.
# Usage: cmake -DMANIFEST=BUILD/install_manifest.txt -P uninstall.cmake
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "${MANIFEST} does not exist: nothing was installed from this build (cmake --install)")
endif()
file(STRINGS "${MANIFEST}" files)
set(own_folders)
foreach(file IN LISTS files)
  if(IS_SYMLINK "${file}" OR EXISTS "${file}")
    message(STATUS "Removing ${file}")
    file(REMOVE "${file}")
    if(IS_SYMLINK "${file}" OR EXISTS "${file}")
      message(FATAL_ERROR "${file} could not be removed (as root? sudo cmake --build ... --target uninstall)")
    endif()
  else()
    message(STATUS "Already gone: ${file}")
  endif()
  # The folders up to the nearest one named for this program
  # (share/doc/kavro-switch-config/docs, then share/doc/kavro-switch-config).
  get_filename_component(folder "${file}" DIRECTORY)
  set(chain)
  foreach(level RANGE 2)
    list(APPEND chain "${folder}")
    get_filename_component(name "${folder}" NAME)
    if(name MATCHES "^kavro")
      list(APPEND own_folders ${chain})
      break()
    endif()
    get_filename_component(folder "${folder}" DIRECTORY)
  endforeach()
endforeach()
# Deepest first, so that a folder emptied by its sub-folder's removal goes too.
list(REMOVE_DUPLICATES own_folders)
list(SORT own_folders ORDER DESCENDING)
foreach(folder IN LISTS own_folders)
  file(GLOB left "${folder}/*" "${folder}/.*")
  if(IS_DIRECTORY "${folder}" AND NOT left)
    message(STATUS "Removing ${folder}/")
    file(REMOVE_RECURSE "${folder}")
  endif()
endforeach()
