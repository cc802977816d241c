# Read by cpack for each package it makes. Every time in the packages
# (their files' and their archives') is SOURCE_DATE_EPOCH, which CPack's
# archives honour: the caller's when set, otherwise the date of the newest
# release in NEWS.md, so that two packagings of one tree give the same
# bytes.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} "${CPACK_KAVRO_RELEASE_EPOCH}")
endif()
