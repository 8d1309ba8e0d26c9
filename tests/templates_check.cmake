# The AI templates in a program folder: the build and the install put them
# there only when missing, update-templates replaces the changed ones.
#   cmake -DSOURCE=<source dir> -DWORK=<scratch dir> -P templates_check.cmake
set(from "${SOURCE}/data/templates")
set(to "${WORK}/temp/con files")
set(script "${SOURCE}/scripts/templates.cmake")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${to}")

function(expect_bytes file expected what)
  file(READ "${file}" actual HEX)
  string(HEX "${expected}" expected_hex)
  if(NOT actual STREQUAL expected_hex)
    message(FATAL_ERROR "${what}: ${file} holds ${actual}, expected ${expected_hex}")
  endif()
endfunction()
function(expect_shipped name what)
  file(READ "${from}/${name}" shipped HEX)
  file(READ "${to}/${name}" actual HEX)
  if(NOT actual STREQUAL shipped)
    message(FATAL_ERROR "${what}: ${to}/${name} is not the shipped template")
  endif()
endfunction()

# A modder changed one template and deleted another; a third is left over
# from an older version of the program.
file(GLOB names RELATIVE "${from}" "${from}/*.con")
list(LENGTH names count)
if(count LESS 3)
  message(FATAL_ERROR "expected the three shipped templates, found: ${names}")
endif()
foreach(name IN LISTS names)
  file(COPY_FILE "${from}/${name}" "${to}/${name}")
endforeach()
file(WRITE "${to}/strategies.con" "rem my own strategies\r\n")
file(REMOVE "${to}/conditions.con")
file(WRITE "${to}/old.con" "rem from long ago\r\n")

# Build (and install): only the missing one arrives, twice in a row.
foreach(round 1 2)
  execute_process(COMMAND "${CMAKE_COMMAND}" "-DFROM=${from}" "-DTO=${to}" -P "${script}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE out)
  if(NOT result EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "copying the missing templates: ${result} ${out}")
  endif()
  expect_bytes("${to}/strategies.con" "rem my own strategies\r\n" "a build kept the modder's template")
  expect_shipped(conditions.con "a build brought the missing template")
  expect_shipped(prerequisites.con "a build left the unchanged template")
endforeach()

# update-templates: the changed one is replaced and named, nothing else.
execute_process(COMMAND "${CMAKE_COMMAND}" "-DFROM=${from}" "-DTO=${to}" -DREPLACE=ON -P "${script}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out)
if(NOT result EQUAL 0 OR NOT out STREQUAL "-- Replaced by the shipped template: ${to}/strategies.con\n")
  message(FATAL_ERROR "update-templates: ${result} '${out}'")
endif()
foreach(name IN LISTS names)
  expect_shipped(${name} "update-templates")
endforeach()
expect_bytes("${to}/old.con" "rem from long ago\r\n" "update-templates left other files alone")
file(REMOVE_RECURSE "${WORK}")
message(STATUS "1 passed, 0 failed")
