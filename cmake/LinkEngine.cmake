# cmake -DBIN_DIR=<dir> -P LinkEngine.cmake
# Links Debian's fairymax as the engine file next to the program, so setting
# the engine on is enough to play. A file of that name in any letter case is
# the user's own and stays.
set(engine /usr/games/fairymax)
if(NOT EXISTS ${engine})
  return()
endif()
file(GLOB entries LIST_DIRECTORIES true "${BIN_DIR}/*")
foreach(entry ${entries})
  get_filename_component(name "${entry}" NAME)
  string(TOLOWER "${name}" lower)
  if(lower STREQUAL "wcrafty.exe")
    return()
  endif()
endforeach()
# A dangling link is not listed by the glob: look for it directly.
if(IS_SYMLINK "${BIN_DIR}/wcrafty.exe")
  return()
endif()
file(CREATE_LINK ${engine} "${BIN_DIR}/wcrafty.exe" SYMBOLIC)
