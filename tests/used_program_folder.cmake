# Makes the build's program folder look used while the tests run, and puts
# it back afterwards: the leftovers of a conversion and a network merge, an
# edited template, a replaced sample archive. Tests assemble program folders
# of their own; with this in place a test that still took anything from the
# build's program folder would fail.
#   cmake -DMODE=setup|cleanup -DPROGRAM=<program folder> -DNOTES=<scratch> -P used_program_folder.cmake
# Only what does not exist yet is created (and removed again); the two files
# that are replaced are kept in NOTES and restored, also after a run that was
# cut short.
cmake_minimum_required(VERSION 3.25)

# Leftovers, created only where nothing is: path, then content.
set(leftovers
  "bf1942/levels/DemoMap/init/terrain.con" "GeometryTemplate.worldSize 4096\r\n"
  "bf1942/levels/DemoMap/init.con" "rem left by an unpacking\r\n"
  "bf1942/levels/DemoMap_001/ai.con" "rem the user's own ai.con\r\n"
  "bf1942/levels/DemoMap_001/AI/StrategicAreas.con" "aiStrategicArea.create Old 0/0 10/10 1\r\n"
  "Network/DemoMap.rfa" "not an archive"
  "Network/DemoMap_001.rfa" "not an archive either"
  "Network/bf1942/levels/DemoMap/ai.con" "rem a merge cut short\r\n"
  "Network/unpack.bat" "rfaunpack.exe DemoMap.rfa \r\n"
  "Network/pack.bat" "rfaPack.exe bf1942\\levels\\DemoMap bf1942/levels/DemoMap \"DemoMap.rfa\"\r\n"
  "unpack.bat" "del \"DemoMap.rfa\"\r\n"
  "pack.bat" "rem an old packing\r\n"
  "DemoMap.rfa" "half a copy"
  "memory.bf" "/nonexistent/Battlefield 1942/"
  "temp/pathf.bf" "/nonexistent/levels/DemoMap_001/\r\n/nonexistent/game/\r\n/nonexistent/out.rfa\r\nDemoMap\r\n"
  "temp/stats.bf" "4096\r\n/nonexistent/levels/DemoMap_001/\r\n")
# Leftovers the user made read-only.
set(read_only "bf1942/levels/DemoMap_001/ai.con")
# Files of the program folder the user changes: path, then the changed content.
set(changed
  "temp/con files/strategies.con" "rem my own strategies\r\n"
  "samples/DemoMap.rfa" "replaced by a network merge")

function(cleanup)
  if(EXISTS "${NOTES}/created.txt")
    file(STRINGS "${NOTES}/created.txt" created)
    foreach(entry IN LISTS created)
      file(REMOVE_RECURSE "${PROGRAM}/${entry}")
    endforeach()
  endif()
  set(list ${changed})
  while(list)
    list(POP_FRONT list path content)
    if(EXISTS "${NOTES}/backup/${path}")
      file(COPY_FILE "${NOTES}/backup/${path}" "${PROGRAM}/${path}")
    endif()
  endwhile()
  file(REMOVE_RECURSE "${NOTES}")
endfunction()

cleanup()
if(MODE STREQUAL "cleanup" OR NOT IS_DIRECTORY "${PROGRAM}")
  return()
endif()

file(MAKE_DIRECTORY "${NOTES}/backup")
set(list ${leftovers})
while(list)
  list(POP_FRONT list path content)
  # The first missing component of the path is what gets created and removed.
  set(first "")
  set(walked "")
  string(REPLACE "/" ";" parts "${path}")
  foreach(part IN LISTS parts)
    if(walked)
      set(walked "${walked}/${part}")
    else()
      set(walked "${part}")
    endif()
    if(NOT EXISTS "${PROGRAM}/${walked}")
      set(first "${walked}")
      break()
    endif()
  endforeach()
  if(first)
    file(APPEND "${NOTES}/created.txt" "${first}\n")
    file(WRITE "${PROGRAM}/${path}" "${content}")
    if(path IN_LIST read_only)
      file(CHMOD "${PROGRAM}/${path}" PERMISSIONS OWNER_READ GROUP_READ WORLD_READ)
    endif()
  endif()
endwhile()

set(list ${changed})
while(list)
  list(POP_FRONT list path content)
  if(EXISTS "${PROGRAM}/${path}")
    get_filename_component(folder "${NOTES}/backup/${path}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    file(COPY_FILE "${PROGRAM}/${path}" "${NOTES}/backup/${path}")
    file(WRITE "${PROGRAM}/${path}" "${content}")
  endif()
endwhile()
