# The resource bundle zkres32.rcc in the program's data folder, made by rcc from
# data/resources/ and the icon drawn at build time.
find_package(Qt6 REQUIRED COMPONENTS Gui)

add_executable(zh_draw_icon ${PROJECT_SOURCE_DIR}/tools/draw_icon.cpp)
target_link_libraries(zh_draw_icon PRIVATE Qt6::Gui)
set_target_properties(zh_draw_icon PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(_zh_res_dir ${CMAKE_BINARY_DIR}/resources)
set(_zh_icon ${_zh_res_dir}/icon8.png)
set(_zh_bundle ${ZH_OUTPUT_DIR}/data/zkres32.rcc)
file(GLOB_RECURSE _zh_res_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/resources/*)

# The piece maps of the 2D boards, drawn from the chess glyphs of DejaVu Sans (read by
# its path, fonts-dejavu-core) and checked by the drawing tool.
find_file(ZH_PIECE_FONT DejaVuSans.ttf PATHS /usr/share/fonts/truetype/dejavu NO_DEFAULT_PATH REQUIRED)
add_executable(zh_draw_piece_maps ${PROJECT_SOURCE_DIR}/tools/draw_piece_maps.cpp
                                  ${PROJECT_SOURCE_DIR}/src/board/ui/piece_map.cpp)
target_include_directories(zh_draw_piece_maps PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(zh_draw_piece_maps PRIVATE Qt6::Gui)
set_target_properties(zh_draw_piece_maps PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
set(_zh_piece_maps "")
foreach(_id 9000 9002 9006 9008 9010 9012 9014)
  list(APPEND _zh_piece_maps ${_zh_res_dir}/bitmap/${_id}.png)
endforeach()
add_custom_command(
  OUTPUT ${_zh_piece_maps}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_zh_res_dir}/bitmap
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:zh_draw_piece_maps> ${ZH_PIECE_FONT} ${_zh_res_dir}/bitmap
  DEPENDS zh_draw_piece_maps
  COMMENT "Drawing the piece maps")

# Each authored file keeps its place (text/1.txt is text 1); the icon becomes icon 8.
set(_zh_qrc "<RCC><qresource prefix=\"/zkres\">\n  <file alias=\"icon/8.png\">${_zh_icon}</file>\n")
foreach(_f ${_zh_piece_maps})
  get_filename_component(_name ${_f} NAME)
  string(APPEND _zh_qrc "  <file alias=\"bitmap/${_name}\">${_f}</file>\n")
endforeach()
foreach(_f ${_zh_res_files})
  file(RELATIVE_PATH _rel ${PROJECT_SOURCE_DIR}/data/resources ${_f})
  string(APPEND _zh_qrc "  <file alias=\"${_rel}\">${_f}</file>\n")
endforeach()
string(APPEND _zh_qrc "</qresource></RCC>\n")
file(GENERATE OUTPUT ${_zh_res_dir}/zkres32.qrc CONTENT "${_zh_qrc}")

# The drawing tool runs headless; a sanitizer build must not fail on the platform's
# own allocations.
add_custom_command(
  OUTPUT ${_zh_icon}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:zh_draw_icon> ${_zh_icon}
  DEPENDS zh_draw_icon
  COMMENT "Drawing the program icon")
add_custom_command(
  OUTPUT ${_zh_bundle}
  COMMAND Qt6::rcc --binary -o ${_zh_bundle} ${_zh_res_dir}/zkres32.qrc
  DEPENDS ${_zh_icon} ${_zh_piece_maps} ${_zh_res_files} ${_zh_res_dir}/zkres32.qrc
  COMMENT "Building the resource bundle")
add_custom_target(zh_resources ALL DEPENDS ${_zh_bundle})

# The picture folders BMP256, BMP16 (with BMP256/Clocks) and ToolBMP beside the
# program, drawn from the committed picture table.
add_executable(zh_draw_pictures ${PROJECT_SOURCE_DIR}/tools/draw_pictures.cpp)
target_link_libraries(zh_draw_pictures PRIVATE Qt6::Gui)
set_target_properties(zh_draw_pictures PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
set(_zh_pictures_stamp ${CMAKE_BINARY_DIR}/resources/pictures.stamp)
add_custom_command(
  OUTPUT ${_zh_pictures_stamp}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:zh_draw_pictures> ${PROJECT_SOURCE_DIR}/tools/pictures.tsv ${ZH_OUTPUT_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${_zh_pictures_stamp}
  DEPENDS zh_draw_pictures ${PROJECT_SOURCE_DIR}/tools/pictures.tsv
  COMMENT "Drawing the picture folders")
add_custom_target(zh_pictures ALL DEPENDS ${_zh_pictures_stamp})
add_dependencies(zh_resources zh_pictures)
