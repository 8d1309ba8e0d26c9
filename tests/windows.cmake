# The test programs of the Windows build, run under Windows (or Wine) by
# scripts/windows/test-wine.sh. Test files that run a shell script, switch
# users or plant POSIX files (links, pipes, mode bits) stay with the Linux
# build; the script names them.
set(T "${PROJECT_SOURCE_DIR}/tests")
# The tests find the sources and the built tools on the drive through which
# Windows (Wine) sees this machine's root, whatever their current folder.
set(TW_HOST_DRIVE "Z:" CACHE STRING "The drive of this machine's root as the Windows test programs see it")
set(H "${TW_HOST_DRIVE}")
add_library(tw_test_program INTERFACE)
target_compile_definitions(tw_test_program INTERFACE
  TW_DATA_DIR="${H}${PROJECT_SOURCE_DIR}/data"
  TW_SAMPLE_ARCHIVE="${H}${TARNWICK_SAMPLE_ARCHIVE}"
  TW_SECOND_SAMPLE_ARCHIVE="${H}${TARNWICK_SECOND_SAMPLE_ARCHIVE}"
  TW_BUILT_BATCH="${H}$<TARGET_FILE:tarnwick-batch>"
  TW_BUILT_CLI="${H}$<TARGET_FILE:tarnwick-cli>"
  TW_BUILT_RFAPACK="${H}$<TARGET_FILE:rfapack>"
  TW_BUILT_RFAUNPACK="${H}$<TARGET_FILE:rfaunpack>"
  TW_SOURCE_DIR="${H}${PROJECT_SOURCE_DIR}"
  TW_SAMPLE_GAME="${H}${TARNWICK_SAMPLE_GAME}"
  TW_PROGRAM_DIR="${H}${TARNWICK_PROGRAM_DIR}")
target_include_directories(tw_test_program INTERFACE "${T}")

set(TW_WINDOWS_TESTS "")
macro(tw_windows_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE tw_test_program)
  add_dependencies(${name} tarnwick-batch tarnwick-cli rfapack rfaunpack samples program_folder)
  list(APPEND TW_WINDOWS_TESTS ${name})
endmacro()

tw_windows_test(test_platform ${T}/platform/text_test.cpp ${T}/platform/errors_test.cpp
  ${T}/platform/jpeg_test.cpp ${T}/platform/program_folder_test.cpp
  ${T}/platform/read_only_test.cpp)
target_link_libraries(test_platform PRIVATE tw_platform GTest::gtest_main)

tw_windows_test(test_rfa ${T}/rfa/archive_test.cpp)
target_link_libraries(test_rfa PRIVATE tw_rfa GTest::gtest_main)

tw_windows_test(test_tools ${T}/tools/scripts_test.cpp ${T}/tools/batch_runner_test.cpp
  ${T}/tools/run_footprint_test.cpp)
target_link_libraries(test_tools PRIVATE tw_content tw_tools GTest::gtest_main)

tw_windows_test(test_content ${T}/generator/scripts_content_test.cpp ${T}/generator/spawn_reader_test.cpp
  ${T}/areas/area_script_test.cpp ${T}/areas/dds_test.cpp ${T}/areas/proposals_test.cpp
  ${T}/check/addon_check_test.cpp ${T}/areas/area_set_test.cpp ${T}/state/record_test.cpp)
target_link_libraries(test_content PRIVATE tw_content tw_check Qt6::Core GTest::gtest_main)

tw_windows_test(test_pathmaps ${T}/pathmaps/formats_test.cpp ${T}/pathmaps/rebuild_test.cpp
  ${T}/pathmaps/pathmap_set_test.cpp)
target_link_libraries(test_pathmaps PRIVATE tw_pathmaps GTest::gtest_main)

tw_windows_test(test_app ${T}/support/gui_main.cpp ${T}/app/main_window_test.cpp
  ${T}/intake/map_intake_test.cpp ${T}/areas/areas_page_test.cpp
  ${T}/areas/areas_page_edit_test.cpp ${T}/pathmaps/pathmap_window_test.cpp
  ${T}/packing/packing_for_real_test.cpp ${T}/packing/check_window_test.cpp
  ${T}/platform/qt_dialogs_test.cpp ${T}/state/continue_test.cpp ${T}/state/overwrite_test.cpp)
target_link_libraries(test_app PRIVATE tw_gui Qt6::Test GTest::gtest)
# The CLI's take-up of an add-on, compared with "Continue a conversion".
target_sources(test_app PRIVATE ${T}/../cli/steps.cpp)
target_include_directories(test_app PRIVATE ${T}/..)

# The add-on run and the script editor.
tw_windows_test(test_generator ${T}/support/gui_main.cpp ${T}/generator/addon_run_test.cpp)
target_link_libraries(test_generator PRIVATE tw_gui Qt6::Test GTest::gtest)

tw_windows_test(test_e2e ${T}/support/gui_main.cpp ${T}/e2e/conversion_test.cpp ${T}/e2e/come_back_test.cpp)
target_link_libraries(test_e2e PRIVATE tw_gui Qt6::Test GTest::gtest)

# The command-line tools run as a user runs them, started without a shell
# (support/process.h).
tw_windows_test(test_cli ${T}/tools/cli_test.cpp ${T}/generator/cli_addon_test.cpp
  ${T}/areas/cli_areas_test.cpp ${T}/check/cli_check_test.cpp ${T}/check/map_numbers_test.cpp
  ${T}/packing/cli_packing_test.cpp ${T}/pathmaps/cli_pathmaps_test.cpp ${T}/level/cli_picture_test.cpp)
target_link_libraries(test_cli PRIVATE tw_check tw_level Qt6::Core GTest::gtest_main)

# Pages of the wizard and the batch run's console, driven offscreen.
tw_windows_test(test_pages ${T}/support/gui_main.cpp ${T}/areas/areas_page_more_test.cpp
  ${T}/areas/areas_page_steps_test.cpp ${T}/areas/world_picture_page_test.cpp
  ${T}/packing/packing_page_test.cpp ${T}/intake/hostile_intake_test.cpp ${T}/tools/console_window_test.cpp)
target_link_libraries(test_pages PRIVATE tw_gui Qt6::Test GTest::gtest)

# A level's ground, its world picture and its own scripts.
tw_windows_test(test_level ${T}/level/world_picture_test.cpp ${T}/level/level_scripts_test.cpp)
target_link_libraries(test_level PRIVATE tw_level GTest::gtest_main)

# Files, archives, folders and batch lines that are not what they seem;
# what packing refuses.
tw_windows_test(test_hostile ${T}/platform/files_test.cpp ${T}/platform/untrusted_files_test.cpp
  ${T}/rfa/hostile_archive_test.cpp ${T}/tools/hostile_batch_test.cpp ${T}/tools/batch_service_test.cpp
  ${T}/packing/packing_refusals_test.cpp)
target_link_libraries(test_hostile PRIVATE tw_check tw_content tw_tools GTest::gtest_main)

add_custom_target(windows_tests DEPENDS ${TW_WINDOWS_TESTS})
# The list scripts/windows/test-wine.sh runs, one program a line.
list(JOIN TW_WINDOWS_TESTS "\n" tw_windows_test_lines)
file(WRITE "${CMAKE_BINARY_DIR}/windows-tests.txt" "${tw_windows_test_lines}\n")
