# Shared helpers for the project's targets.

# carrowfold_dll(<target> <FILE NAME.DLL>): a DLL with the exact file name the programs load it by.
function(carrowfold_dll target file_name)
  get_filename_component(stem ${file_name} NAME_WE)
  get_filename_component(ext ${file_name} EXT)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${stem} SUFFIX ${ext})
endfunction()

# carrowfold_test(<name> SOURCES ... [LIBS ...] [DEPENDS ...] [ENGINE_LOCK] [DESKTOP] [COMPOSITOR] [APARTMENT_MAIN])
# One GoogleTest binary registered as one CTest test, run under Wine from the output folder.
# APARTMENT_MAIN: the binary's main thread is a single-threaded COM apartment, as the program's
# is (tests/support/ApartmentMain.cpp), for tests whose engine code reaches COM from its threads.
# ENGINE_LOCK: the test loads the engine library, whose named mutex makes a second process
# wait at load, so such tests never run at the same time.
# DESKTOP: the test shows windows on the display or moves its one mouse and keyboard, so no two such
# tests run at the same time; tests without windows run beside it.
# COMPOSITOR: the test reads translucent windows from the screen; it runs with a compositing
# manager on the display (tools/with-compositor) and alone, so that no other test's window
# covers what it reads.
function(carrowfold_test name)
  cmake_parse_arguments(T "ENGINE_LOCK;DESKTOP;COMPOSITOR;APARTMENT_MAIN" "" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_APARTMENT_MAIN)
    target_link_libraries(${name} PRIVATE test_apartment_main ${T_LIBS})
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main ${T_LIBS})
  endif()
  target_precompile_headers(${name} REUSE_FROM carrowfold_test_pch)
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  if(T_COMPOSITOR)
    add_test(NAME ${name}
      COMMAND ${CMAKE_SOURCE_DIR}/tools/with-compositor ${CMAKE_BINARY_DIR}/wine-run $<TARGET_FILE:${name}>
              --gtest_brief=1
      WORKING_DIRECTORY ${CARROWFOLD_BIN_DIR})
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1 WORKING_DIRECTORY ${CARROWFOLD_BIN_DIR})
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT 600
    ENVIRONMENT "CARROWFOLD_TEST_DATA=${CMAKE_SOURCE_DIR}/tests;CARROWFOLD_BUILD_DIR=${CMAKE_BINARY_DIR}")
  if(T_COMPOSITOR)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  endif()
  if(T_ENGINE_LOCK)
    set_property(TEST ${name} APPEND PROPERTY RESOURCE_LOCK brennock_engine)
  endif()
  if(T_DESKTOP)
    set_property(TEST ${name} APPEND PROPERTY RESOURCE_LOCK desktop)
  endif()
endfunction()

# The program's pictures: drawn at build time by app/res/pictures/make_pictures.py into this folder
# (target carrowfold_pictures, made in app/), where the program's resource script finds them.
set(CARROWFOLD_PICTURES_DIR ${CMAKE_BINARY_DIR}/pictures)

# carrowfold_program_resources(<target> <resource script>): the target compiles the program's
# resource script (the program itself, tests and galleries that load its resources): it finds
# the pictures through its include path and is compiled again when they or what it includes change.
function(carrowfold_program_resources target rc_file)
  add_dependencies(${target} carrowfold_pictures)
  target_include_directories(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${CARROWFOLD_PICTURES_DIR}>)
  set_source_files_properties(${rc_file} PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/app/res/Carrowfold.ico;${CMAKE_SOURCE_DIR}/classlib/ui/res/ClassLibUi.rc;${CMAKE_SOURCE_DIR}/toolkit/bars/res/ToolkitBars.rc;${CARROWFOLD_PICTURES_DIR}/pictures.stamp")
endfunction()
