# The scene texts of the piece models become string constants of zh_board, so no data
# file can go missing. The 3D code is compiled without contracted multiply-adds (and
# never with -ffast-math), so its results are the same on every build.
set(zh_scene_dir ${CMAKE_CURRENT_LIST_DIR})
file(GLOB zh_scene_files CONFIGURE_DEPENDS ${zh_scene_dir}/*.scene)
set(zh_scene_cpp ${CMAKE_BINARY_DIR}/generated/board/d3/scene_texts_data.cpp)
add_custom_command(
  OUTPUT ${zh_scene_cpp}
  COMMAND ${CMAKE_COMMAND} -DOUT=${zh_scene_cpp} -DDIR=${zh_scene_dir}
          -P ${zh_scene_dir}/embed_scenes.cmake
  DEPENDS ${zh_scene_files} ${zh_scene_dir}/embed_scenes.cmake
  COMMENT "Embedding the scene texts")
target_sources(zh_board PRIVATE ${zh_scene_cpp})
target_compile_options(zh_board PRIVATE -ffp-contract=off -fno-fast-math)
