# zh_subsystem(<name> [DEPENDS <targets>...] [UI_DEPENDS <targets>...])
#
# Makes the library target zh_<name> from the sources under src/<name>/, all but
# those under src/<name>/ui/. When src/<name>/ui/ holds sources, a second target
# zh_<name>_ui is made from them; it links zh_<name> and Qt 6 Widgets. A folder with
# a CMakeLists.txt of its own is added as it stands instead; so is a folder under
# ui/ with a CMakeLists.txt (a library of its own, added after zh_<name>).
function(zh_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;UI_DEPENDS" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR}/${name})
  if(EXISTS ${dir}/CMakeLists.txt)
    add_subdirectory(${name})
    return()
  endif()

  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/${name}/ui/")
  add_library(zh_${name} STATIC ${sources})
  target_include_directories(zh_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(zh_${name} PUBLIC ${ARG_DEPENDS})

  file(GLOB_RECURSE ui_sources CONFIGURE_DEPENDS ${dir}/ui/*.cpp)
  file(GLOB ui_libs CONFIGURE_DEPENDS ${dir}/ui/*/CMakeLists.txt)
  foreach(lib IN LISTS ui_libs)
    get_filename_component(lib_dir ${lib} DIRECTORY)
    list(FILTER ui_sources EXCLUDE REGEX "^${lib_dir}/")
    add_subdirectory(${lib_dir})
  endforeach()
  if(ui_sources)
    find_package(Qt6 REQUIRED COMPONENTS Widgets)
    add_library(zh_${name}_ui STATIC ${ui_sources})
    set_target_properties(zh_${name}_ui PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
    target_link_libraries(zh_${name}_ui PUBLIC zh_${name} Qt6::Widgets ${ARG_UI_DEPENDS})
  endif()
endfunction()

# zh_add_tests(<name> [LIBS <targets>...] [LABELS <labels>...] [DIR <folder>] [EXCLUDE <subfolders>...])
#
# Makes the GoogleTest program <name>_tests from the sources under tests/<name>/
# (or DIR), but those in its subfolders named by EXCLUDE (programs of their own), and
# registers every test in it with ctest.
function(zh_add_tests name)
  cmake_parse_arguments(ARG "" "DIR" "LIBS;LABELS;EXCLUDE" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR}/${name})
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  foreach(sub IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "^${ARG_DIR}/${sub}/")
  endforeach()
  add_executable(${name}_tests ${sources})
  target_link_libraries(${name}_tests PRIVATE zh_test_support ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set(props "")
  if(ARG_LABELS)
    set(props PROPERTIES LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${name}_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 ${props})
endfunction()
