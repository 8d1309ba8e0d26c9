# Puts the shipped AI templates (FROM, the source's data/templates) into a
# program folder's "temp/con files" (TO). A template already there may hold a
# modder's changes and stays as it is; only with REPLACE set (the
# update-templates target) are the ones that differ replaced by the shipped
# ones, each named on the way.
#   cmake -DFROM=<dir> -DTO=<dir> [-DREPLACE=ON] -P templates.cmake
# or include() it with those variables set (the install step does).
file(MAKE_DIRECTORY "${TO}")
file(GLOB shipped RELATIVE "${FROM}" "${FROM}/*.con")
list(SORT shipped)
foreach(name IN LISTS shipped)
  set(target "${TO}/${name}")
  if(NOT EXISTS "${target}")
    file(COPY_FILE "${FROM}/${name}" "${target}")
  elseif(REPLACE)
    file(READ "${FROM}/${name}" new HEX)
    file(READ "${target}" old HEX)
    if(NOT new STREQUAL old)
      file(COPY_FILE "${FROM}/${name}" "${target}")
      message(STATUS "Replaced by the shipped template: ${target}")
    endif()
  endif()
endforeach()
