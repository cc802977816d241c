# Writes the two documents every Debian package carries, from the files at
# the top of the tree:
#   OUTPUT/changelog  CHANGES (CHANGELOG.md) in Debian's changelog format:
#                       "## 3.1.1 (2026-12-06)"  a release (an entry)
#                       "Serial ports and ..."   a group   ->  "  * Serial ports and ...:"
#                       "- Port errors ..."      its items ->  "    - Port errors ...", wrapped
#   OUTPUT/copyright  LICENSE in the machine-readable copyright format.
# Usage: cmake -DCHANGES=... -DLICENSE=... -DSOURCE_PACKAGE=... -DCONTACT=... -DOUTPUT=... -P debian_documents.cmake
# Lines are read as text, never as CMake lists: changelog lines hold ';'.

# Appends TEXT to the variable OUT in lines of at most 79 characters, the
# first led by FIRST, the others by REST.
function(append_wrapped out first rest text)
  set(result "${${out}}")
  set(lead "${first}")
  string(STRIP "${text}" text)
  while(NOT text STREQUAL "")
    string(LENGTH "${lead}" used)
    math(EXPR room "79 - ${used}")
    string(LENGTH "${text}" length)
    if(length LESS_EQUAL room)
      set(line "${text}")
      set(text "")
    else()
      # Up to the last space that leaves the line within its room.
      string(SUBSTRING "${text}" 0 ${room} head)
      string(SUBSTRING "${text}" ${room} 1 next)
      if(next STREQUAL " ")
        set(line "${head}")
      elseif(head MATCHES "^(.*[^ ]) +[^ ]*$")
        set(line "${CMAKE_MATCH_1}")
      else()
        set(line "${head}")  # one word longer than the line
      endif()
      string(LENGTH "${line}" taken)
      string(SUBSTRING "${text}" ${taken} -1 text)
      string(STRIP "${text}" text)
    endif()
    string(APPEND result "${lead}${line}\n")
    set(lead "${rest}")
  endwhile()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

file(READ "${CHANGES}" changes)
string(APPEND changes "\n")
set(changelog "")
set(item "")          # the item being gathered
set(in_group FALSE)
set(trailer "")
macro(flush_item)
  if(NOT item STREQUAL "")
    if(in_group)
      append_wrapped(changelog "    - " "      " "${item}")
    else()
      append_wrapped(changelog "  * " "    " "${item}")
    endif()
    set(item "")
  endif()
endmacro()
macro(close_entry)
  flush_item()
  if(NOT trailer STREQUAL "")
    string(APPEND changelog "\n${trailer}\n")
  endif()
endmacro()

while(NOT changes STREQUAL "")
  string(FIND "${changes}" "\n" end)
  string(SUBSTRING "${changes}" 0 ${end} line)
  math(EXPR end "${end} + 1")
  string(SUBSTRING "${changes}" ${end} -1 changes)

  if(line MATCHES "^## ([0-9][0-9.]*) \\(([0-9]+-[0-9]+-[0-9]+)\\)")
    set(version "${CMAKE_MATCH_1}")
    execute_process(COMMAND date -u -R -d "${CMAKE_MATCH_2} 12:00"
                    OUTPUT_VARIABLE date OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    if(NOT changelog STREQUAL "")
      close_entry()
      string(APPEND changelog "\n")
    endif()
    string(APPEND changelog "${SOURCE_PACKAGE} (${version}) unstable; urgency=medium\n\n")
    set(trailer " -- ${CONTACT}  ${date}")
    set(in_group FALSE)
  elseif(line MATCHES "^#" OR changelog STREQUAL "")
    # the title, or anything before the first release
  elseif(line MATCHES "^- (.*)")
    flush_item()
    set(item "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^  +(.*)" AND NOT item STREQUAL "")
    string(APPEND item " ${CMAKE_MATCH_1}")
  elseif(line MATCHES "[^ ]")
    flush_item()
    string(STRIP "${line}" line)
    append_wrapped(changelog "  * " "    " "${line}:")
    set(in_group TRUE)
  else()
    flush_item()
  endif()
endwhile()
close_entry()
if(changelog STREQUAL "")
  message(FATAL_ERROR "${CHANGES} names no release (## VERSION (YYYY-MM-DD))")
endif()
file(WRITE "${OUTPUT}/changelog" "${changelog}")

# The licence: its title and copyright line first, then its text, each
# line led by a space and each blank line written " .".
file(READ "${LICENSE}" license)
if(NOT license MATCHES "^MIT License\n+Copyright \\(c\\) ([^\n]+)\n+(.*)$")
  message(FATAL_ERROR "${LICENSE} is not the MIT licence this script knows")
endif()
set(holder "${CMAKE_MATCH_1}")
string(STRIP "${CMAKE_MATCH_2}" text)
string(REPLACE "\n\n" "\n.\n" text "${text}")
string(REPLACE "\n" "\n " text "${text}")
file(WRITE "${OUTPUT}/copyright" "\
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Kavro Smart Switch Configuration
Upstream-Contact: ${CONTACT}

Files: *
Copyright: ${holder}
License: Expat
 ${text}
")
